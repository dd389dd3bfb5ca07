# Most of vtl's start is the dynamic loader binding symbols. It looks each one up library by
# library, in the order the program names its libraries, and libvips brings more than a
# hundred: a lookup that ends in a library named late walks past all the others first. Naming
# first the libraries in which most lookups end shortens that walk; on a 2-core machine it
# takes about 4 ms off a start of 30.
#
# The order is measured at configure time on a probe linked with the same libraries: run with
# LD_DEBUG=bindings, the loader tells where each lookup ended. Sanitizer builds keep the plain
# order (their runtime must be the first library loaded), as does any build where the probe
# cannot be made or run.
function(vtl_order_loaded_libraries target)
    if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR CMAKE_CROSSCOMPILING OR VTL_SANITIZE OR VTL_TSAN)
        return()
    endif()
    set(probe "${CMAKE_CURRENT_BINARY_DIR}/loader-order-probe")
    try_compile(built SOURCE_FROM_CONTENT probe.cpp "int main() { return 0; }\n"
        LINK_OPTIONS "LINKER:--no-as-needed"
        LINK_LIBRARIES ${ARGN}
        COPY_FILE "${probe}"
        NO_CACHE)
    if(NOT built)
        return()
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env LD_DEBUG=bindings "${probe}"
        OUTPUT_QUIET ERROR_VARIABLE bindings RESULT_VARIABLE failed)
    if(failed)
        return()
    endif()

    # " to <library> " once per binding; the loader itself is not ours to name.
    string(REGEX MATCHALL " to /[^ []+\\.so[^ []* " ends "${bindings}")
    list(TRANSFORM ends STRIP)
    list(TRANSFORM ends REPLACE "^to " "")
    list(FILTER ends EXCLUDE REGEX "/ld-linux[^/]*$")
    list(SORT ends)
    # Counted as "<count, zero-padded> <library>", so that sorting the strings sorts the counts.
    set(counted "")
    set(library "")
    set(count 0)
    foreach(end IN LISTS ends ITEMS "")
        if(end STREQUAL library)
            math(EXPR count "${count} + 1")
            continue()
        endif()
        if(count GREATER 0)
            string(LENGTH "${count}" digits)
            math(EXPR padding "9 - ${digits}")
            string(REPEAT "0" ${padding} zeros)
            list(APPEND counted "${zeros}${count} ${library}")
        endif()
        set(library "${end}")
        set(count 1)
    endforeach()
    list(SORT counted ORDER DESCENDING)
    list(TRANSFORM counted REPLACE "^[0-9]+ " "")
    list(LENGTH counted named)
    message(STATUS "vtl names first the ${named} libraries its start binds symbols in")
    target_link_options(${target} PRIVATE "LINKER:--push-state,--no-as-needed" ${counted}
        "LINKER:--pop-state")
endfunction()
