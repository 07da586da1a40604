# Settings of the native Linux build: the portable code under AddressSanitizer and UBSan.
option(VEMO_SANITIZE "Build the native code with AddressSanitizer and UBSan" ON)
add_compile_options(-Wall -Wextra)
if(VEMO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
enable_testing()
