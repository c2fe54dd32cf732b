# Delay-load import libraries for the system libraries that are no KnownDLL on every Windows
# the program supports. The loader would look for those beside the program first (a
# Downloads folder); delay-loaded, they load on first use, after WinMain has limited the
# search to the system folder, and the import table names only KnownDLLs.
#
# orvane_delay_import(TARGET NAME...) makes TARGET an interface library that links the delay
# libraries of NAME... (wininet, wintrust, ...), built at configure time from the toolchain's
# import libraries with dlltool. The result depends only on the toolchain, so two builds of
# one commit stay the same.
function(orvane_delay_def import_lib def_file dll)
    execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import_lib}
                    OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
    # The members' code symbols are the functions; data exports have no stub to delay.
    string(REGEX MATCHALL "[^\n]* T [^\n]+" lines "${symbols}")
    set(names)
    foreach(line ${lines})
        string(REGEX REPLACE ".* T " "" name "${line}")
        # The 32-bit C prefix is one underscore. REGEX REPLACE "^_" would take every leading
        # one, and "__TrackMouseEvent@4" (comctl32's _TrackMouseEvent) would become user32's
        # TrackMouseEvent, bound to a comctl32 export that does not exist.
        if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND name MATCHES "^_")
            string(SUBSTRING "${name}" 1 -1 name)
        endif()
        list(APPEND names "${name}")
    endforeach()
    list(REMOVE_DUPLICATES names)
    list(SORT names)
    list(JOIN names "\n" exports)
    file(WRITE ${def_file} "LIBRARY \"${dll}.dll\"\nEXPORTS\n${exports}\n")
    set(ORVANE_DELAY_NAMES ${names} PARENT_SCOPE)
endfunction()

function(orvane_delay_import target)
    add_library(${target} INTERFACE)
    set(dir ${CMAKE_BINARY_DIR}/delayimp)
    file(MAKE_DIRECTORY ${dir})
    set(kill_at)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(kill_at -k)
    endif()
    set(keep)
    foreach(dll ${ARGN})
        find_library(ORVANE_IMPORT_LIB_${dll} NAMES ${dll} REQUIRED NO_CACHE)
        orvane_delay_def(${ORVANE_IMPORT_LIB_${dll}} ${dir}/${dll}.def ${dll})
        set(lib ${dir}/lib${dll}-delay.a)
        execute_process(COMMAND ${CMAKE_DLLTOOL} ${kill_at} -d ${dll}.def -D ${dll}.dll -y ${lib}
                        WORKING_DIRECTORY ${dir} COMMAND_ERROR_IS_FATAL ANY)
        target_link_libraries(${target} INTERFACE ${lib})
        foreach(name ${ORVANE_DELAY_NAMES})
            string(APPEND keep "-u _${name}\n")
        endforeach()
    endforeach()
    # 32-bit GNU ld drops the stub of a member that the code reaches only through its
    # __imp_ pointer, which leaves the delayed pointer null; naming every stub keeps them.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        file(WRITE ${dir}/keep-stubs.rsp "${keep}")
        target_link_options(${target} INTERFACE "LINKER:@${dir}/keep-stubs.rsp")
    endif()
endfunction()
