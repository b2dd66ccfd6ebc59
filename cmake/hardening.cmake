# Hardening of every build, after the OpenSSF Compiler Options Hardening Guide for C and C++: each
# flag only where the compiler and linker take it (docs/linux.md and docs/windows.md say which
# those are). The build of Qt for Windows includes this file too (scripts/windows-toolkit.sh), so
# that its DLLs, where most of the program's code runs, are hardened as Keyfold.exe is.
include_guard(GLOBAL)
include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)

set(keyfold_hardening_flags
    -fstack-protector-strong
    # No stack variable read before it is set can hold what an earlier call left there.
    -ftrivial-auto-var-init=zero
    # Only a [] member is of unknown size, so the checks below know the bounds of every array.
    -fstrict-flex-arrays=3
    # No check or wrap-around the code spells out is optimised away as undefined behaviour.
    -fno-delete-null-pointer-checks -fno-strict-aliasing)
# Also for signed overflow, but not in the sanitizer build: to clang this is -fwrapv, under which
# clang before 19 checks no signed overflow at all.
if(NOT KEYFOLD_SANITIZE)
    list(APPEND keyfold_hardening_flags -fno-strict-overflow)
endif()
# Windows probes each page of a large stack frame itself (___chkstk_ms), and GCC's own probes
# break its unwind tables there: MinGW's GCC 12 fails with an internal error on Qt's sources.
if(NOT WIN32)
    list(APPEND keyfold_hardening_flags -fstack-clash-protection)
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    list(APPEND keyfold_hardening_flags -fcf-protection=full)
endif()
# The flags taken, which the package check looks for in the compiler's record in the program.
set(KEYFOLD_HARDENING_FLAGS "")
foreach(flag IN LISTS keyfold_hardening_flags)
    string(MAKE_C_IDENTIFIER "KEYFOLD_HAS${flag}" supported)
    check_cxx_compiler_flag(${flag} ${supported})
    if(${supported})
        add_compile_options(${flag})
        list(APPEND KEYFOLD_HARDENING_FLAGS ${flag})
        # MinGW's protector and checked functions live in libssp, which only this brings in.
        if(MINGW AND flag MATCHES "^-fstack-protector")
            add_link_options(${flag})
        endif()
    endif()
endforeach()

# Bounds checks in the standard library's containers and strings.
add_compile_definitions(_GLIBCXX_ASSERTIONS)
# Checked buffer functions, with the sizes known only at run time too (level 3) where the compiler
# can tell them. They need optimisation; under AddressSanitizer they would hide the very calls the
# sanitizer checks. Any level the toolchain predefines is undefined first, or each file warns.
check_cxx_source_compiles(
    "int main() { char buffer[2]; return int(__builtin_dynamic_object_size(buffer, 0)); }"
    KEYFOLD_HAS_DYNAMIC_OBJECT_SIZE)
if(KEYFOLD_HAS_DYNAMIC_OBJECT_SIZE)
    set(keyfold_fortify_level 3)
else()
    set(keyfold_fortify_level 2)
endif()
if(NOT KEYFOLD_SANITIZE)
    set(keyfold_optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
    add_compile_options($<${keyfold_optimised}:-U_FORTIFY_SOURCE>
                        $<${keyfold_optimised}:-D_FORTIFY_SOURCE=${keyfold_fortify_level}>)
endif()

if(WIN32)
    # Address space layout randomisation with high entropy, and data execution prevention.
    set(keyfold_hardening_link_flags "LINKER:--dynamicbase,--high-entropy-va,--nxcompat")
else()
    # A position-independent executable whose relocations are read-only and bound at start, with a
    # stack that cannot run code, and no library it does not use directly.
    include(CheckPIESupported)
    check_pie_supported()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    set(keyfold_hardening_link_flags "LINKER:-z,relro,-z,now" "LINKER:-z,noexecstack"
                                     "LINKER:--as-needed" "LINKER:--no-copy-dt-needed-entries")
endif()
foreach(flag IN LISTS keyfold_hardening_link_flags)
    string(MAKE_C_IDENTIFIER "KEYFOLD_HAS_${flag}" supported)
    check_linker_flag(CXX "${flag}" ${supported})
    if(${supported})
        add_link_options("${flag}")
    endif()
endforeach()
