# Windows target: the cross-built dependencies from .deps/mingw, the MinGW runtime DLLs beside
# the programs, and Wine as the emulator that ctest runs the test programs with.
# The toolchain file names windmc when cross-compiling; on Windows it is found on the path.
if(NOT CMAKE_MC_COMPILER)
    find_program(CMAKE_MC_COMPILER NAMES windmc x86_64-w64-mingw32-windmc REQUIRED)
endif()

set(VELMORA_MINGW_PREFIX ${VELMORA_DEPS}/mingw CACHE PATH
    "Prefix holding the Windows builds of libxml2 (static) and GoogleTest")
set(mingwDeps ${VELMORA_MINGW_PREFIX})
if(NOT EXISTS ${mingwDeps}/lib/libxml2.a OR NOT EXISTS ${mingwDeps}/lib/libgtest.a)
    message(FATAL_ERROR "Windows dependencies missing in ${mingwDeps}: run scripts/setup.sh first")
endif()

add_library(LibXml2::LibXml2 STATIC IMPORTED)
set_target_properties(LibXml2::LibXml2 PROPERTIES
    IMPORTED_LOCATION ${mingwDeps}/lib/libxml2.a
    INTERFACE_INCLUDE_DIRECTORIES ${mingwDeps}/include/libxml2)
# The headers alone, for code that reaches libxml2 through Quillon.dll.
add_library(LibXml2Headers INTERFACE)
target_include_directories(LibXml2Headers INTERFACE ${mingwDeps}/include/libxml2)

set(GTest_DIR ${mingwDeps}/lib/cmake/GTest)
find_package(GTest CONFIG REQUIRED)

# One C++ runtime for the DLL and every program, so strings, vectors and exceptions cross.
set(VELMORA_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "MinGW runtime ${dll} not found")
    endif()
    list(APPEND VELMORA_RUNTIME_DLLS ${path})
    file(COPY ${path} DESTINATION ${CMAKE_BINARY_DIR}/bin)
    # Shipped without the debug information Debian's runtime carries (most of its size), its
    # sections page-aligned in the file as ours are.
    if(VELMORA_RELEASE)
        execute_process(COMMAND ${CMAKE_OBJCOPY} --strip-debug --file-alignment ${VELMORA_FILE_ALIGNMENT}
                                ${CMAKE_BINARY_DIR}/bin/${dll} COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()

# Built on Linux, the tests run under Wine; built on Windows, they run as they are.
set(VELMORA_WINE_DIR ${CMAKE_SOURCE_DIR}/tests/wine)
if(CMAKE_CROSSCOMPILING)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE_DIR}/wine-run.sh ${CMAKE_BINARY_DIR})
endif()
