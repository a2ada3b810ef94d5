# The sound tests of test-skin read the sounds where a game finds them, in the minimal game's stage
# folder, decode them with SDL_mixer (as pop does) to measure them, and run the sound script on
# phrase lists of their own.
if(TARGET minimal-game-skin)
    pkg_check_modules(SKIN_TEST_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)
    get_target_property(skin_test_stage minimal-game RUNTIME_OUTPUT_DIRECTORY)
    target_link_libraries(test-skin PRIVATE PkgConfig::SKIN_TEST_MIXER)
    target_compile_definitions(test-skin PRIVATE
        SKIN_TEST_STAGE_DIR="${skin_test_stage}"
        SKIN_TEST_QUICKCHAT="${PROJECT_SOURCE_DIR}/assets/sounds/quickchat.txt"
        SKIN_TEST_SOUNDS_SCRIPT="${PROJECT_SOURCE_DIR}/assets/sounds/make-sounds.sh"
        SKIN_TEST_BASH="${TESSARO_BASH}"
    )
    add_dependencies(test-skin minimal-game-skin)
endif()
