# Staging the default skin into a game's stage folder. Used in the source tree (assets/ makes the
# skin) and by games built against an installed tessaro (tessaroConfig.cmake points at the
# installed skin), with the same call:
#
#   tessaro_stage_skin(<game target> <game stage folder> [ROOT <platform root>] [OVERRIDE <folder>])
#
# As part of building the target, the skin's game part is copied into the game's folder and its
# shared part into the platform root (by default the folder above the game's), where games find
# the pictures they name with "..\". OVERRIDE is a folder of the game's own pictures and sounds,
# laid out like the game part (images/base/btn/chair1.png, sound/btn.ogg ...): copied last, each
# of them replaces the default file of that name. Staging runs again when the skin or an own file
# changes, or when an own file is added or removed (a removed one gives way to the default again).
#
# A build that makes no skin (the fuzz build) turns the call into nothing: tessaro_use_skin(OFF).

# tessaro_use_skin(<skin folder> [TARGET <target that makes it>] [MANIFESTS <file>...]): where the
# skin comes from; OFF for a build without one. The manifests, relative to the folder, are written
# last by what makes the skin, so they change whenever it does (by default pictures.txt, and
# sounds.txt where the folder has one).
function(tessaro_use_skin dir)
    cmake_parse_arguments(ARG "" "TARGET" "MANIFESTS" ${ARGN})
    if(NOT ARG_MANIFESTS)
        set(ARG_MANIFESTS pictures.txt)
        if(EXISTS ${dir}/sounds.txt)
            list(APPEND ARG_MANIFESTS sounds.txt)
        endif()
    endif()
    set_property(GLOBAL PROPERTY TESSARO_SKIN_SOURCE ${dir})
    set_property(GLOBAL PROPERTY TESSARO_SKIN_SOURCE_TARGET "${ARG_TARGET}")
    set_property(GLOBAL PROPERTY TESSARO_SKIN_SOURCE_MANIFESTS "${ARG_MANIFESTS}")
endfunction()

function(tessaro_stage_skin target game_dir)
    cmake_parse_arguments(ARG "" "ROOT;OVERRIDE" "" ${ARGN})
    get_property(skin GLOBAL PROPERTY TESSARO_SKIN_SOURCE)
    get_property(skin_target GLOBAL PROPERTY TESSARO_SKIN_SOURCE_TARGET)
    if(skin STREQUAL "OFF")
        return()
    endif()
    if(NOT skin)
        message(FATAL_ERROR "tessaro_stage_skin: no skin to stage: find_package(tessaro) first, from an "
                            "installation that holds share/tessaro/skin")
    endif()
    get_filename_component(game_dir ${game_dir} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
    if(ARG_ROOT)
        get_filename_component(root ${ARG_ROOT} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
    else()
        get_filename_component(root ${game_dir} DIRECTORY)
    endif()

    set(commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${skin}/game ${game_dir})
    get_property(manifests GLOBAL PROPERTY TESSARO_SKIN_SOURCE_MANIFESTS)
    list(TRANSFORM manifests PREPEND ${skin}/ OUTPUT_VARIABLE depends)

    # Games that share a platform root share its part of the skin. One target per root copies it:
    # two games copying the same files into the same folder in a parallel build collide.
    string(MD5 root_key "${root}")
    string(SUBSTRING ${root_key} 0 12 root_key)
    set(shared_target tessaro-skin-shared-${root_key})
    if(NOT TARGET ${shared_target})
        set(shared_stamp ${PROJECT_BINARY_DIR}/${shared_target}.stamp)
        add_custom_command(OUTPUT ${shared_stamp}
            COMMAND ${CMAKE_COMMAND} -E copy_directory ${skin}/shared ${root}
            COMMAND ${CMAKE_COMMAND} -E touch ${shared_stamp}
            DEPENDS ${depends}
            COMMENT "Staging the shared skin into ${root}"
            VERBATIM
        )
        add_custom_target(${shared_target} DEPENDS ${shared_stamp})
        if(skin_target)
            add_dependencies(${shared_target} ${skin_target})
        endif()
    endif()
    if(ARG_OVERRIDE)
        get_filename_component(own_dir ${ARG_OVERRIDE} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        if(NOT IS_DIRECTORY ${own_dir})
            message(FATAL_ERROR "tessaro_stage_skin: OVERRIDE ${own_dir} is not a folder")
        endif()
        file(GLOB_RECURSE own_files CONFIGURE_DEPENDS ${own_dir}/*)
        # The list of own pictures, rewritten only when it changes: a picture taken out of the
        # folder stages the default one again.
        set(own_list ${CMAKE_CURRENT_BINARY_DIR}/${target}-skin-own.txt)
        list(JOIN own_files "\n" own_text)
        file(CONFIGURE OUTPUT ${own_list} CONTENT "${own_text}\n" @ONLY)
        list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${own_dir} ${game_dir})
        list(APPEND depends ${own_files} ${own_list})
    endif()

    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}-skin.stamp)
    add_custom_command(OUTPUT ${stamp}
        ${commands}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${depends}
        COMMENT "Staging the skin of ${target} into ${game_dir}"
        VERBATIM
    )
    add_custom_target(${target}-skin DEPENDS ${stamp})
    add_dependencies(${target}-skin ${shared_target})
    if(skin_target)
        add_dependencies(${target}-skin ${skin_target})
    endif()
    add_dependencies(${target} ${target}-skin)
endfunction()
