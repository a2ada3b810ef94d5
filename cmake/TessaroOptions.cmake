# Compile settings shared by every target of the project.

add_library(tessaro_build_flags INTERFACE)
target_compile_options(tessaro_build_flags INTERFACE -Wall -Wextra)

# Narrow literals are the system's 8-bit code page at run time. GCC converts them while compiling;
# clang only knows UTF-8, so a clang build (the fuzz build) keeps UTF-8 literals.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(tessaro_build_flags INTERFACE -finput-charset=UTF-8 -fexec-charset=GBK)
    set(TESSARO_GBK_LITERALS ON)
else()
    set(TESSARO_GBK_LITERALS OFF)
endif()

if(TESSARO_SANITIZE)
    set(_sanitizers "")
    foreach(s IN LISTS TESSARO_SANITIZE)
        if(NOT s MATCHES "^(address|undefined|thread|leak)$")
            message(FATAL_ERROR "TESSARO_SANITIZE: unknown sanitizer '${s}'")
        endif()
        list(APPEND _sanitizers ${s})
    endforeach()
    if("thread" IN_LIST _sanitizers AND "address" IN_LIST _sanitizers)
        message(FATAL_ERROR "TESSARO_SANITIZE: thread and address cannot be combined")
    endif()
    list(JOIN _sanitizers "," _sanitize_arg)
    add_compile_options(-fsanitize=${_sanitize_arg} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_sanitize_arg})
endif()

if(TESSARO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TESSARO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    # Instrument all code for coverage; the fuzz targets add the libFuzzer main themselves.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# tessaro_add_shared_library(<name> <sources...>): one of the installed libraries, exported as
# tessaro::<name>, with its headers included from the repository root (include/ once installed).
function(tessaro_add_shared_library name)
    add_library(${name} SHARED ${ARGN})
    add_library(tessaro::${name} ALIAS ${name})
    set_target_properties(${name} PROPERTIES
        VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}
        EXPORT_NAME ${name}
    )
    target_include_directories(${name} PUBLIC
        $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    )
    target_link_libraries(${name} PRIVATE tessaro_build_flags)
endfunction()
