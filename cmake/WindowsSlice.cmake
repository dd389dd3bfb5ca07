# The Windows slice, built with cmake/mingw-w64-x86_64.cmake into build-win/ (`make test-win`):
# the extension module VtlExt.dll over the real registry, the real named file mapping and real
# COM, a small program standing in for vtl, and their tests, run under Wine in a private prefix.
# The windowed vtl stays Linux-only.
enable_language(RC)
add_compile_definitions(NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# The toolchain's own runtime goes inside each program and the module: nothing to ship beside.
add_link_options(-static -static-libgcc -static-libstdc++)

set(VTL_WINEPREFIX "${CMAKE_BINARY_DIR}/wine")
configure_file(cmake/wine-run.in "${CMAKE_BINARY_DIR}/wine-run" @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")

include(cmake/IncludeRoot.cmake)
enable_testing()

add_subdirectory(platform)
add_subdirectory(app/model/base)
add_subdirectory(app/model/formats)
add_subdirectory(shellext)
add_subdirectory(tests/win32)
