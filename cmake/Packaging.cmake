# The installed station and its Debian package (make package). Every install() rule of the
# project is here, so the installed layout reads in one place; cmake/InstallLayout.cmake names
# the folders. Built for the prefix /usr, which `make package` configures.

# Programs on the PATH.
install(TARGETS sorvik sorvik-dbtool sorvik-instrument RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Private helpers: the reader processes and the instrument library the station binds by path.
install(TARGETS sorvik-xlsreader sorvik-mdb-reader RUNTIME DESTINATION ${SORVIK_HELPER_INSTALL_DIR})
install(TARGETS qrvmachine LIBRARY DESTINATION ${SORVIK_HELPER_INSTALL_DIR}
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# The sample workbooks (cmake/Workbooks.cmake writes them at build time).
install(DIRECTORY ${SORVIK_SAMPLES_DIR}/ DESTINATION ${SORVIK_SAMPLES_INSTALL_DIR}
    FILES_MATCHING PATTERN "*.xls")

set(SORVIK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${CMAKE_BINARY_DIR}/packaging)
find_program(SORVIK_GZIP gzip REQUIRED)
# Debian's ImageMagick by its own name first, whatever else is called convert on the PATH.
find_program(SORVIK_CONVERT NAMES convert-im6.q16 convert REQUIRED)

# The icon in the hicolor theme at the usual sizes, drawn from its source at each size.
set(icon_source ${PROJECT_SOURCE_DIR}/resources/sorvik.mvg)
set(made_files)
foreach(size 16 22 24 32 48 64 128 256)
    set(icon ${generated}/icons/${size}x${size}/sorvik.png)
    math(EXPR per_mille "${size} * 1000 / 64") # the source is drawn on 64 by 64
    set(scale "${per_mille}e-3")
    add_custom_command(OUTPUT ${icon}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/icons/${size}x${size}
        COMMAND sh -c "exec \"$0\" -size $1x$1 xc:none -draw \"scale $2,$2 $(cat \"$3\")\" -strip PNG32:\"$4\""
                ${SORVIK_CONVERT} ${size} ${scale} ${icon_source} ${icon}
        DEPENDS ${icon_source}
        VERBATIM)
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    list(APPEND made_files ${icon})
endforeach()

# Manual pages and the changelog, compressed as Debian wants them (best, no name or time).
foreach(source man/sorvik.1 man/sorvik-dbtool.1 man/sorvik-instrument.1 changelog)
    set(compressed ${generated}/${source}.gz)
    get_filename_component(folder ${compressed} DIRECTORY)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND sh -c "\"$0\" -9nc \"$1\" >\"$2\"" ${SORVIK_GZIP}
                ${SORVIK_PACKAGING_DIR}/${source} ${compressed}
        DEPENDS ${SORVIK_PACKAGING_DIR}/${source}
        VERBATIM)
    list(APPEND made_files ${compressed})
    if(source MATCHES "^man/")
        install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endforeach()
add_custom_target(sorvik_package_files ALL DEPENDS ${made_files})

install(FILES ${SORVIK_PACKAGING_DIR}/sorvik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${SORVIK_PACKAGING_DIR}/README ${SORVIK_PACKAGING_DIR}/copyright
              ${generated}/changelog.gz
        DESTINATION ${SORVIK_DOC_INSTALL_DIR})

# The .deb: dependencies from the binaries (dpkg-shlibdeps), plus what Qt loads at run time.
set(SORVIK_PACKAGE_MAINTAINER "Sorvik station maintainers <maintainers@sorvik.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${SORVIK_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "physical-fitness test station for schools")
set(CPACK_PACKAGE_DESCRIPTION
    "The Sorvik station is the desktop program a school uses on its physical-fitness
test days. It sends classes of pupils to the test instruments, takes their
results back (live while the instruments are online, or later from an
instrument's memory) and keeps pupils, RF card numbers and results in one
database file. Pupils, scores and card numbers are loaded from Excel (.xls)
workbooks; a database of the old Windows station is carried over once.
.
The package holds the station, sorvik-dbtool for making and filling databases,
the instrument library and the virtual instrument sorvik-instrument for trying
the station without a real one.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
include(CPack)
