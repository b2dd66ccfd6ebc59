# Hardening of every build: a strong stack protector, checked buffer functions, stack clash and
# control-flow protection; on Linux a position-independent executable whose relocations are
# read-only and bound at start, on Windows address space layout randomisation with high entropy
# and data execution prevention. Each flag only where the compiler and linker take it.
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
        # MinGW's protector and checked functions live in libssp, which only this brings in.
        if(MINGW AND flag MATCHES "^-fstack-protector")
            add_link_options(${flag})
        endif()
    endif()
endforeach()

# Needs optimisation; under AddressSanitizer it would hide the very calls the sanitizer checks.
if(NOT KEYFOLD_SANITIZE)
    add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()

check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

if(WIN32)
    set(keyfold_hardening_link_flags "LINKER:--dynamicbase,--high-entropy-va,--nxcompat")
else()
    set(keyfold_hardening_link_flags "LINKER:-z,relro,-z,now")
endif()
check_linker_flag(CXX "${keyfold_hardening_link_flags}" KEYFOLD_HAS_HARDENING_LINK_FLAGS)
if(KEYFOLD_HAS_HARDENING_LINK_FLAGS)
    add_link_options("${keyfold_hardening_link_flags}")
endif()
