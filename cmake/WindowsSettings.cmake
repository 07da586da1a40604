# Settings of the mingw builds.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)
# No runtime DLLs beside the modules: libgcc, libstdc++ and winpthread are linked in.
add_link_options(-static -static-libgcc -static-libstdc++)
# Windows 7 APIs and ANSI entry points by default.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)
