# Workbooks made at build time by tests/make_workbooks.py (xlwt); none is kept in the tree.
# Debian's interpreter, whatever python3 comes first on PATH, so that python3-xlwt is found.
set(SORVIK_PYTHON /usr/bin/python3)
set(SORVIK_WORKBOOK_SCRIPT ${PROJECT_SOURCE_DIR}/tests/make_workbooks.py)

# sorvik_workbooks(TARGET KIND DIR [ALL]): a target that writes the KIND set into DIR.
function(sorvik_workbooks target kind dir)
    set(made ${dir}/.made)
    add_custom_command(OUTPUT ${made}
        COMMAND ${SORVIK_PYTHON} ${SORVIK_WORKBOOK_SCRIPT} ${kind} ${dir}
        DEPENDS ${SORVIK_WORKBOOK_SCRIPT}
        COMMENT "Writing the ${kind} workbooks into ${dir}"
        VERBATIM)
    if("ALL" IN_LIST ARGN)
        add_custom_target(${target} ALL DEPENDS ${made})
    else()
        add_custom_target(${target} DEPENDS ${made})
    endif()
endfunction()

# The sample workbooks the format help dialogs point to, laid out as they are installed.
set(SORVIK_SAMPLES_DIR ${CMAKE_BINARY_DIR}/share/sorvik/samples)
sorvik_workbooks(sorvik_samples samples ${SORVIK_SAMPLES_DIR} ALL)
