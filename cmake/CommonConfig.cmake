# One INTERFACE target carries the language level, warnings and Qt definitions for every target.
add_library(sorvik_common INTERFACE)
target_compile_features(sorvik_common INTERFACE cxx_std_20)
target_compile_options(sorvik_common INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast)
target_compile_definitions(sorvik_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_BEFORE=0x060000)

option(SORVIK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(SORVIK_SANITIZE)
    target_compile_options(sorvik_common INTERFACE -fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer -fno-sanitize-recover=undefined,float-cast-overflow)
    target_link_options(sorvik_common INTERFACE -fsanitize=address,undefined,float-cast-overflow)
endif()
