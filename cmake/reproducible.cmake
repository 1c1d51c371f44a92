# The same sources give the same bytes, whatever the folder, the day or the
# time zone of the build: every time stamp that goes into the module and
# the package is SOURCE_DATE_EPOCH, the time of the last commit unless the
# environment of the configure step sets it. (The help file's stamps are
# cleared in help/CMakeLists.txt.) tools/reproducible.sh checks it.

# The absolute path of a file of the repository's git folder.
function(git_file name out)
    execute_process(COMMAND ${CHIMORA_GIT} rev-parse --git-path ${name}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    get_filename_component(path "${path}" ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
    set(${out} ${path} PARENT_SCOPE)
endfunction()

find_program(CHIMORA_GIT NAMES git)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(CHIMORA_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
elseif(CHIMORA_GIT)
    execute_process(COMMAND ${CHIMORA_GIT} log -1 --format=%ct
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE CHIMORA_SOURCE_DATE_EPOCH
        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # A new commit, or another one checked out, configures anew: HEAD names
    # the branch, whose own file (or, while packed, packed-refs) moves.
    execute_process(COMMAND ${CHIMORA_GIT} symbolic-ref -q HEAD
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE branch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    git_file(HEAD head_file)
    set(ref_file)
    if(branch)
        git_file(${branch} ref_file)
        if(NOT EXISTS ${ref_file})
            git_file(packed-refs ref_file)
        endif()
    endif()
    foreach(file IN ITEMS ${head_file} ${ref_file})
        if(EXISTS ${file})
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
        endif()
    endforeach()
endif()

if(NOT CHIMORA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(STATUS "No commit and no SOURCE_DATE_EPOCH: the build is stamped with its own time")
    return()
endif()
message(STATUS "SOURCE_DATE_EPOCH: ${CHIMORA_SOURCE_DATE_EPOCH}")

# The linker stamps the module and the tray program (file header, export directory, checksum)
# with the time it finds in SOURCE_DATE_EPOCH.
set_property(TARGET Chimora ChimoraTray PROPERTY C_LINKER_LAUNCHER
    ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${CHIMORA_SOURCE_DATE_EPOCH})

# CPack gives every ZIP entry the time of SOURCE_DATE_EPOCH, written as
# local time: in a fixed zone, UTC. CPack reads this file before it packs.
# Beyond time, the ZIP records its folders' modes, which follow the umask,
# and the packer's numeric user and group, which CPack (CMake 3.25) cannot
# be told.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackSourceDate.cmake)
file(CONFIGURE OUTPUT ${CPACK_PROJECT_CONFIG_FILE} CONTENT
    "set(ENV{SOURCE_DATE_EPOCH} ${CHIMORA_SOURCE_DATE_EPOCH})\nset(ENV{TZ} UTC)\n")
