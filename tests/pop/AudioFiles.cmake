# Ogg and mp3 tones for the audio tests of test-pop, made at build time with sox (installed by
# scripts/install-deps.sh). Wav files are written by the tests themselves. Without sox the tests
# that need these files are skipped.
set(POP_TEST_AUDIO_DIR ${CMAKE_CURRENT_BINARY_DIR}/pop-audio)
target_compile_definitions(test-pop PRIVATE POP_TEST_AUDIO_DIR="${POP_TEST_AUDIO_DIR}")

find_program(TESSARO_SOX sox)
if(TESSARO_SOX)
    set(_pop_audio_files "")
    foreach(ext ogg mp3)
        set(_file ${POP_TEST_AUDIO_DIR}/tone.${ext})
        add_custom_command(OUTPUT ${_file}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${POP_TEST_AUDIO_DIR}
            COMMAND ${TESSARO_SOX} -q -n -r 44100 -c 2 ${_file} synth 0.15 sine 440 vol 0.25
            COMMENT "Making the test tone tone.${ext}"
            VERBATIM)
        list(APPEND _pop_audio_files ${_file})
    endforeach()
    add_custom_target(pop-audio-files DEPENDS ${_pop_audio_files})
    add_dependencies(test-pop pop-audio-files)
else()
    message(STATUS "sox not found: the ogg and mp3 audio tests will be skipped")
endif()
