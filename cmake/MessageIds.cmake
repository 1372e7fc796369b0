# The ids of the service manager's message table as a header of plain #defines, made from
# MessageTable.mc by CMake itself: the native build has no windmc, and windmc's header casts each
# id to DWORD, which code without <windows.h> cannot name. The Windows build checks this header
# against windmc's, so the two readings of the .mc can never differ unnoticed.
#   include(MessageIds): writes MessageIds.h; the target velmora_message_ids carries its folder.
#   cmake -DGENERATED=... -DWINDMC=... -DSTAMP=... -P MessageIds.cmake: the check.

# Every "#define NAME ... 0xHEX" of a header as NAME=decimal entries, sorted.
function(velmora_header_ids header out)
    file(STRINGS ${header} lines REGEX "^#define ")
    set(ids "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^#define ([A-Za-z0-9_]+) .*(0x[0-9a-fA-F]+)")
            math(EXPR value "${CMAKE_MATCH_2}")
            list(APPEND ids "${CMAKE_MATCH_1}=${value}")
        endif()
    endforeach()
    list(SORT ids)
    set(${out} "${ids}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
    velmora_header_ids(${GENERATED} generatedIds)
    velmora_header_ids(${WINDMC} windmcIds)
    if(NOT generatedIds STREQUAL windmcIds OR generatedIds STREQUAL "")
        message(FATAL_ERROR "${GENERATED} does not match windmc's ${WINDMC}:\n${generatedIds}\n${windmcIds}")
    endif()
    file(TOUCH ${STAMP})
    return()
endif()

set(messageTable ${CMAKE_SOURCE_DIR}/manager/messages/MessageTable.mc)
set(VELMORA_MESSAGE_IDS_DIR ${CMAKE_BINARY_DIR}/generated/messages)
file(STRINGS ${messageTable} lines)
set(id "")
set(name "")
set(defines "")
foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^MessageId=(0x[0-9a-fA-F]+|[0-9]+)$")
        set(id ${CMAKE_MATCH_1})
    elseif(line MATCHES "^SymbolicName=([A-Za-z_][A-Za-z0-9_]*)$")
        set(name ${CMAKE_MATCH_1})
    elseif(line MATCHES "^(Severity|Facility)=")
        # Both change the id windmc computes; the check would fail rather than this reading.
        message(FATAL_ERROR "${messageTable}: ${CMAKE_MATCH_1} is not read by cmake/MessageIds.cmake")
    elseif(line MATCHES "^Language=" AND NOT name STREQUAL "")
        if(id STREQUAL "")
            message(FATAL_ERROR "${messageTable}: ${name} needs a MessageId of its own")
        endif()
        string(APPEND defines "#define ${name} ${id}UL\n")
        set(id "")
        set(name "")
    endif()
endforeach()
file(CONFIGURE OUTPUT ${VELMORA_MESSAGE_IDS_DIR}/MessageIds.h @ONLY CONTENT
"#pragma once

// Generated from manager/messages/MessageTable.mc by cmake/MessageIds.cmake; do not edit.
@defines@")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${messageTable})

add_library(velmora_message_ids INTERFACE)
target_include_directories(velmora_message_ids INTERFACE ${VELMORA_MESSAGE_IDS_DIR})
