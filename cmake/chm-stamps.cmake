# Clears the two time stamps that chmcmd writes into a compiled help file,
# the time of day of the compilation in milliseconds, so that the same
# sources give the same bytes: the ITSF header's, at offset 0x10, and the
# data of record 10 of the file #SYSTEM. HTML Help reads neither.
#   cmake -DCHM=<file.chm> -P chm-stamps.cmake
cmake_minimum_required(VERSION 3.20)

# Bytes count at offset of the file, as lower-case hex.
function(read_hex offset count out)
    file(READ ${CHM} hex OFFSET ${offset} LIMIT ${count} HEX)
    set(${out} ${hex} PARENT_SCOPE)
endfunction()

# The little-endian number of count bytes at byte index at of hex.
function(number_at hex at count out)
    set(value 0)
    math(EXPR i "${at} + ${count} - 1")
    while(i GREATER_EQUAL at)
        math(EXPR hex_at "${i} * 2")
        string(SUBSTRING ${hex} ${hex_at} 2 byte)
        math(EXPR value "${value} * 256 + 0x${byte}")
        math(EXPR i "${i} - 1")
    endwhile()
    set(${out} ${value} PARENT_SCOPE)
endfunction()

# The directory's variable-length number (ENCINT: seven bits a byte, most
# significant first, the top bit set on all but the last) at byte index
# at of hex; at_var moves past it.
function(encint_at hex at_var out)
    set(at ${${at_var}})
    set(value 0)
    set(byte 128)
    while(byte GREATER_EQUAL 128)
        math(EXPR hex_at "${at} * 2")
        string(SUBSTRING ${hex} ${hex_at} 2 byte)
        math(EXPR byte "0x${byte}")
        math(EXPR value "${value} * 128 + (${byte} & 127)")
        math(EXPR at "${at} + 1")
    endwhile()
    set(${at_var} ${at} PARENT_SCOPE)
    set(${out} ${value} PARENT_SCOPE)
endfunction()

function(clear offset count)
    execute_process(COMMAND dd if=/dev/zero of=${CHM} bs=1 seek=${offset} count=${count}
                            conv=notrunc status=none
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${CHM}: cannot clear ${count} bytes at ${offset}")
    endif()
endfunction()

# The header: signature, version 3, then where the directory and the
# content of section 0 (the uncompressed files) begin.
read_hex(0 96 header)
string(SUBSTRING ${header} 0 16 signature)
if(NOT signature STREQUAL "4954534603000000")
    message(FATAL_ERROR "${CHM}: not an ITSF version 3 file")
endif()
number_at(${header} 72 4 directory)
number_at(${header} 88 4 section0)

# The directory: an ITSP header, then listing chunks (PMGL) of
# name, section, offset and length entries.
read_hex(${directory} 84 itsp)
number_at(${itsp} 8 4 itsp_length)
number_at(${itsp} 16 4 chunk_size)
number_at(${itsp} 32 4 chunk)
set(system_name 2f2353595354454d)  # "/#SYSTEM"
set(system_offset -1)
while(system_offset LESS 0 AND NOT chunk EQUAL 4294967295)
    math(EXPR chunk_at "${directory} + ${itsp_length} + ${chunk} * ${chunk_size}")
    read_hex(${chunk_at} ${chunk_size} listing)
    string(SUBSTRING ${listing} 0 8 chunk_signature)
    if(NOT chunk_signature STREQUAL "504d474c")  # "PMGL"
        message(FATAL_ERROR "${CHM}: no listing chunk at ${chunk_at}")
    endif()
    number_at(${listing} 4 4 free_space)
    number_at(${listing} 16 4 next_chunk)
    math(EXPR entries_end "${chunk_size} - ${free_space}")
    set(at 20)
    while(at LESS entries_end)
        encint_at(${listing} at name_length)
        math(EXPR hex_at "${at} * 2")
        math(EXPR hex_length "${name_length} * 2")
        string(SUBSTRING ${listing} ${hex_at} ${hex_length} name)
        math(EXPR at "${at} + ${name_length}")
        encint_at(${listing} at section)
        encint_at(${listing} at offset)
        encint_at(${listing} at length)
        if(name STREQUAL system_name AND section EQUAL 0)
            math(EXPR system_offset "${section0} + ${offset}")
            set(system_length ${length})
            break()
        endif()
    endwhile()
    set(chunk ${next_chunk})
endwhile()
if(system_offset LESS 0)
    message(FATAL_ERROR "${CHM}: no /#SYSTEM in section 0")
endif()

# #SYSTEM: a version, then records of a 16-bit code, a 16-bit length and
# the data.
read_hex(${system_offset} ${system_length} system)
set(at 4)
set(stamp_offset -1)
while(at LESS system_length)
    math(EXPR length_at "${at} + 2")
    number_at(${system} ${at} 2 code)
    number_at(${system} ${length_at} 2 length)
    if(code EQUAL 10)
        math(EXPR stamp_offset "${system_offset} + ${at} + 4")
        set(stamp_length ${length})
        break()
    endif()
    math(EXPR at "${at} + 4 + ${length}")
endwhile()
if(stamp_offset LESS 0)
    message(FATAL_ERROR "${CHM}: no record 10 in #SYSTEM")
endif()

clear(16 4)
clear(${stamp_offset} ${stamp_length})
