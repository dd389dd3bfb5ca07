# vtl_include_root(<target> <PUBLIC|PRIVATE|INTERFACE> [FOLDER <folder>] [HEADERS <file>...]
#                  [FOLDERS <subfolder>...])
#
# Gives <target> an include root of its own that holds only its own headers, reached by their
# path from the project root ("app/model/AppSetting.h"). There is no include root for the whole
# tree, so a file can include only the headers of its own target and of the targets it links:
# an include across the layers that the target does not link fails to compile.
#
# The root is a folder of the build tree, build/include/<target>/, holding a link to the
# target's source folder (the current one, or FOLDER relative to it). A folder whose subfolders
# are other targets' (platform/, shellext/) names what is its own instead: the HEADERS at its
# top and the FOLDERS below it that belong to the same target.
function(vtl_include_root target scope)
    cmake_parse_arguments(ROOT "" "FOLDER" "HEADERS;FOLDERS" ${ARGN})
    set(source "${CMAKE_CURRENT_SOURCE_DIR}")
    if(ROOT_FOLDER)
        set(source "${source}/${ROOT_FOLDER}")
    endif()
    file(RELATIVE_PATH path "${PROJECT_SOURCE_DIR}" "${source}")
    set(root "${CMAKE_BINARY_DIR}/include/${target}")
    # Made anew at every configure, so a header that moved away is not found through it. The
    # links are removed, never what they point to.
    file(REMOVE_RECURSE "${root}")
    if(ROOT_HEADERS OR ROOT_FOLDERS)
        file(MAKE_DIRECTORY "${root}/${path}")
        foreach(entry IN LISTS ROOT_HEADERS ROOT_FOLDERS)
            file(CREATE_LINK "${source}/${entry}" "${root}/${path}/${entry}" SYMBOLIC)
        endforeach()
    else()
        get_filename_component(parent "${root}/${path}" DIRECTORY)
        file(MAKE_DIRECTORY "${parent}")
        file(CREATE_LINK "${source}" "${root}/${path}" SYMBOLIC)
    endif()
    target_include_directories(${target} ${scope} "${root}")
endfunction()

# The headers at the top of the current source folder, but for those given: for a folder whose
# headers belong to more than one target.
function(vtl_headers_here out)
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}"
        "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    if(ARGN)
        list(REMOVE_ITEM headers ${ARGN})
    endif()
    set(${out} ${headers} PARENT_SCOPE)
endfunction()
