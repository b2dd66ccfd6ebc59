# Hardening of every build: a strong stack protector, checked buffer functions, stack clash and
# control-flow protection, and a position-independent executable whose relocations are read-only
# and bound at start. Each flag only where the compiler and linker take it.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

set(keyfold_hardening_flags -fstack-protector-strong -fstack-clash-protection)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    list(APPEND keyfold_hardening_flags -fcf-protection)
endif()
foreach(flag IN LISTS keyfold_hardening_flags)
    string(MAKE_C_IDENTIFIER "KEYFOLD_HAS${flag}" supported)
    check_cxx_compiler_flag(${flag} ${supported})
    if(${supported})
        add_compile_options(${flag})
    endif()
endforeach()

# Needs optimisation; under AddressSanitizer it would hide the very calls the sanitizer checks.
if(NOT KEYFOLD_SANITIZE)
    add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()

check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

check_linker_flag(CXX "LINKER:-z,relro,-z,now" KEYFOLD_HAS_RELRO_NOW)
if(KEYFOLD_HAS_RELRO_NOW)
    add_link_options("LINKER:-z,relro,-z,now")
endif()
