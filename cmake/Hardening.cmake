# The hardening Debian builds its packages with, in every normal build:
# stack protector, fortified C library calls, position-independent
# executables, and relocations read-only after start with every symbol bound
# at start. None of it touches floating-point arithmetic: results stay the
# same to the last bit. The sanitizer build (cmake/Reliability.cmake) does
# without it, as its instrumentation does its own checking.
if(KESTRANE_SANITIZE)
  return()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
# The fortified calls need the optimiser, so not in a Debug build.
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
add_link_options(LINKER:-z,relro LINKER:-z,now)
