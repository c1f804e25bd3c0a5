# Where an installed station keeps its files: the GNU layout, which on Debian with the prefix
# /usr puts libraries in lib/<multiarch>. The programs, the instrument library and the reader
# processes find one another from these places at run time (platform/StationFolders).
include(GNUInstallDirs)

# The instrument library and the two reader processes: private to the station, not on the
# linker's path.
set(SORVIK_HELPER_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/sorvik)
set(SORVIK_HELPER_FULL_DIR ${CMAKE_INSTALL_FULL_LIBDIR}/sorvik)
# The same folder seen from the programs' folder, so a copy unpacked under another root
# (dpkg -x, a staging folder) uses its own helpers.
file(RELATIVE_PATH SORVIK_HELPER_DIR_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${SORVIK_HELPER_FULL_DIR})
# WorkbookFile::samplesFolder() looks for ../share/sorvik/samples beside bin/.
set(SORVIK_SAMPLES_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/sorvik/samples)
set(SORVIK_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/doc/sorvik)
