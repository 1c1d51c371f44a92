# CMake package of the Chimora SDK, installed as sdk/lib/cmake/Chimora.
#   find_package(Chimora 3.0 CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE Chimora::Chimora)
# Chimora::Chimora brings sdk/include and the import library that fits the
# compiler; its IMPORTED_LOCATION is sdk/bin/Chimora.dll, which the program
# loads from its own folder.

get_filename_component(_chimora_sdk "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET Chimora::Chimora)
    # MSVC, clang-cl and clang for an -msvc target link the MSVC-format
    # library; mingw's linker takes the GNU one, which an MSVC-style link
    # with /SAFESEH refuses.
    if(MSVC OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC")
        set(_chimora_implib Chimora.lib)
    else()
        set(_chimora_implib libChimora.dll.a)
    endif()
    add_library(Chimora::Chimora SHARED IMPORTED)
    set_target_properties(Chimora::Chimora PROPERTIES
        IMPORTED_LOCATION "${_chimora_sdk}/bin/Chimora.dll"
        IMPORTED_IMPLIB "${_chimora_sdk}/lib/${_chimora_implib}"
        INTERFACE_INCLUDE_DIRECTORIES "${_chimora_sdk}/include")
    unset(_chimora_implib)
endif()
unset(_chimora_sdk)
