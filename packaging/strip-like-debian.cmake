# Run by cpack once the files are staged: strips the program as Debian's
# dh_strip does, dropping the .comment and .note sections besides the symbols.
find_program(QUENTARO_STRIP strip REQUIRED)
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
if(NOT programs)
    message(FATAL_ERROR "no program staged under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin")
endif()
foreach(program IN LISTS programs)
    execute_process(COMMAND ${QUENTARO_STRIP} --remove-section=.comment --remove-section=.note
                            ${program} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
