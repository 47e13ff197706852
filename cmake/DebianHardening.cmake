# Debian's hardening flags, as dpkg-buildflags gives them with every hardening
# feature on (stack protector, _FORTIFY_SOURCE, format checks, relro and
# bind-now). The build type keeps its own optimisation and debug flags.
# _FORTIFY_SOURCE needs optimisation, so a Debug build goes without it.
function(quentaro_add_debian_hardening)
    find_program(QUENTARO_DPKG_BUILDFLAGS dpkg-buildflags)
    if(NOT QUENTARO_DPKG_BUILDFLAGS)
        message(STATUS "dpkg-buildflags not found (package dpkg-dev): built without Debian's hardening flags")
        return()
    endif()
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${QUENTARO_DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^-(g|O.?|ffile-prefix-map=.*)$")
        if(kind STREQUAL "LDFLAGS")
            add_link_options(${flags})
        else()
            foreach(flag IN LISTS flags)
                if(flag MATCHES "^-D_FORTIFY_SOURCE")
                    add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
                else()
                    add_compile_options(${flag})
                endif()
            endforeach()
        endif()
    endforeach()
endfunction()
