#!/usr/bin/env bash
# make-sounds.sh: makes the default skin's sounds with sox and espeak-ng.
#
#   make-sounds.sh --list QUICKCHAT          every file it makes, one a line, relative to the root
#   make-sounds.sh --voices QUICKCHAT        only the voice files of the quick-chat phrases
#   make-sounds.sh ROOT QUICKCHAT [EXPECTED-FILE...]
#                                            makes them under ROOT (ROOT/game/...), then writes
#                                            ROOT/sounds.txt; with a list of expected files (what
#                                            the build declared), fails unless the two agree
#
# SOX and ESPEAK in the environment name the programs (default: sox, espeak-ng).
#
# Every sound is synthesised here, from notes and noise: nothing is recorded or downloaded, and
# the same sox gives the same bytes (-R fixes the noise generator's seed, -D turns dither off).
# QUICKCHAT is the phrase list (folder | file | phrase); each line gets a male and a female voice
# file, "<folder>/m_<file>" and "<folder>/w_<file>", in the format the file's extension names.
set -euo pipefail

SOX=${SOX:-sox}
ESPEAK=${ESPEAK:-espeak-ng}
# Mandarin with Latin read as pinyin: the plain Mandarin voice reads the pinyin its own dictionary
# gives for a character as English, so only this one speaks the characters as Mandarin.
VOICE=cmn-latn-pinyin
MALE=m3
FEMALE=f2

die() {
    printf 'make-sounds: %s\n' "$*" >&2
    exit 1
}

usage() {
    printf 'usage: make-sounds.sh --list QUICKCHAT\n       make-sounds.sh --voices QUICKCHAT\n' >&2
    printf '       make-sounds.sh ROOT QUICKCHAT [EXPECTED-FILE...]\n' >&2
    exit 2
}

# The fixed sounds, relative to the root, in the order they are made.
FIXED=(
    game/sound/btn.ogg
    game/sound/screenshot.ogg
    game/wav/call.wav
    game/wav/enter.ogg
    game/wav/good.ogg
    game/wav/00.mp3
    game/wav/01.mp3
    game/wav/02.mp3
    game/sound/landlord/deal.ogg
    game/sound/landlord/play.ogg
    game/sound/landlord/bomb.ogg
    game/sound/landlord/rocket.ogg
    game/sound/landlord/plane.ogg
    game/sound/landlord/alarm.ogg
    game/sound/landlord/win.ogg
    game/sound/landlord/lose.ogg
    game/sound/landlord/spring.ogg
)

# The demo game's spoken calls (file|words), each in a male and a female voice like the
# quick-chat phrases: "game/sound/landlord/m_<file>.ogg" and ".../w_<file>.ogg".
LANDLORD_CALLS=(
    'bid0|不叫'
    'bid1|一分'
    'bid2|两分'
    'bid3|三分'
    'pass|不要'
    'landlord|我是地主'
)
for call in "${LANDLORD_CALLS[@]}"; do
    FIXED+=("game/sound/landlord/m_${call%%|*}.ogg" "game/sound/landlord/w_${call%%|*}.ogg")
done
unset call

trim() {
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    s=${s%"${s##*[![:space:]]}"}
    printf '%s' "$s"
}

# Reads the phrase list into VOICE_FOLDERS, VOICE_FILES and PHRASES. The folder comes in the
# system's spelling (backslashes) and becomes a path under the game's folder, so it must stay
# inside it: no absolute path, no "." or ".." step.
read_phrases() {
    local list=$1 line number=0 folder file phrase rest step steps
    local -A seen=()
    VOICE_FOLDERS=()
    VOICE_FILES=()
    PHRASES=()
    [ -r "$list" ] || die "cannot read the phrase list $list"
    while IFS= read -r line || [ -n "$line" ]; do
        number=$((number + 1))
        line=${line%$'\r'}
        case $(trim "$line") in
        '' | '#'*) continue ;;
        esac
        case $line in
        *'|'*'|'*) ;;
        *) die "$list:$number: not 'folder | file | phrase'" ;;
        esac
        folder=$(trim "${line%%|*}")
        rest=${line#*|}
        file=$(trim "${rest%%|*}")
        phrase=$(trim "${rest#*|}")
        folder=${folder//\\//}
        if [ -z "$folder" ] || [ -z "$file" ] || [ -z "$phrase" ]; then
            die "$list:$number: an empty field"
        fi
        # A ';' would split the build's list of files.
        case $folder$file in
        *';'*) die "$list:$number: a ';' in the folder or the file name" ;;
        esac
        case $folder in
        /* | */ | *//*) die "$list:$number: the folder \"$folder\" is not a relative path" ;;
        esac
        IFS=/ read -ra steps <<<"$folder"
        for step in "${steps[@]}"; do
            case $step in
            . | ..) die "$list:$number: the folder \"$folder\" leaves the game's folder" ;;
            esac
        done
        case $file in
        */* | *\\*) die "$list:$number: the file \"$file\" is not a plain file name" ;;
        *.ogg | *.wav | *.mp3) ;;
        *) die "$list:$number: the file \"$file\" is not .ogg, .wav or .mp3" ;;
        esac
        [ -z "${seen[$folder/$file]:-}" ] ||
            die "$list:$number: \"$folder/$file\" is named on line ${seen[$folder/$file]} already"
        seen[$folder/$file]=$number
        VOICE_FOLDERS+=("$folder")
        VOICE_FILES+=("$file")
        PHRASES+=("$phrase")
    done <"$list"
}

voice_files() {
    local i
    for i in "${!VOICE_FILES[@]}"; do
        printf 'game/%s/m_%s\ngame/%s/w_%s\n' "${VOICE_FOLDERS[$i]}" "${VOICE_FILES[$i]}" \
            "${VOICE_FOLDERS[$i]}" "${VOICE_FILES[$i]}"
    done
}

all_files() {
    printf '%s\n' "${FIXED[@]}"
    voice_files
}

# --- synthesis ---

# sox with the fixed seed and no dither, quiet unless something goes wrong.
sx() {
    "$SOX" -q -D -R "$@"
}

# track OUT CHANNELS SECONDS-PER-BEAT INSTRUMENT EVENTS...
# One part of a piece: each event is "NOTE:BEATS", where NOTE is a note name (A4), a chord of
# names joined by "+" (C4+E4+G4), "x" for a hit of the rhythm, or "r" for a rest. A chord's notes
# fill the CHANNELS (repeated when it has fewer), which sox then mixes to one.
track() {
    local out=$1 channels=$2 beat=$3 instrument=$4
    shift 4
    local args=()
    local line
    while IFS= read -r line; do
        args+=("$line")
    done < <(printf '%s\n' "$@" | awk -v ch="$channels" -v beat="$beat" -v inst="$instrument" '
        function arg(a) { print a }
        {
            split($0, ev, ":"); dur = ev[2] * beat; d = sprintf("%.4f", dur)
            if (NR > 1) arg(":")
            arg("synth"); arg(d)
            if (ev[1] == "r") {
                arg("sine"); arg("100"); arg("vol"); arg("0"); next
            }
            if (ev[1] == "x") {
                # a soft wood-block tick, then silence to the end of the beat
                hit = 0.035
                arg("sine"); arg("1900"); arg("fade"); arg("q"); arg("0.001")
                arg(sprintf("%.4f", hit)); arg(sprintf("%.4f", hit - 0.002))
                arg("pad"); arg("0"); arg(sprintf("%.4f", dur - hit)); next
            }
            n = split(ev[1], notes, "+")
            type = inst == "pluck" ? "pluck" : inst == "bass" ? "triangle" : "sine"
            for (c = 0; c < ch; c++) { arg(type); arg(notes[c % n + 1]) }
            if (inst == "pluck") {
                arg("fade"); arg("q"); arg("0.004"); arg(d); arg(sprintf("%.4f", dur < 0.2 ? dur / 3 : 0.06))
            } else if (inst == "bass") {
                arg("fade"); arg("q"); arg("0.008"); arg(d); arg(sprintf("%.4f", dur * 0.6))
            } else {
                arg("fade"); arg("h"); arg(sprintf("%.4f", dur / 4)); arg(d); arg(sprintf("%.4f", dur / 3))
            }
        }')
    sx -r 44100 -c "$channels" -n -c 1 "$out" "${args[@]}"
}

# piece OUT SECONDS-PER-BEAT: the parts in MELODY, PAD, BASS and RHYTHM (arrays of events),
# mixed, given a room and a fade at both ends, written as mp3.
piece() {
    local out=$1 beat=$2
    track "$work/melody.wav" 1 "$beat" pluck "${MELODY[@]}"
    track "$work/pad.wav" 3 "$beat" pad "${PAD[@]}"
    track "$work/bass.wav" 1 "$beat" bass "${BASS[@]}"
    track "$work/rhythm.wav" 1 "$beat" tick "${RHYTHM[@]}"
    # The weights add up to one, so that mixing cannot clip.
    sx -m -v 0.42 "$work/melody.wav" -v 0.2 "$work/pad.wav" -v 0.28 "$work/bass.wav" \
        -v 0.1 "$work/rhythm.wav" \
        "$work/mix.wav" channels 2 gain -6 reverb 35 50 70 100 10 gain -n -2
    sx "$work/mix.wav" -C 128 "$out" fade t 0.05 -0 1.2
}

make_fixed() {
    local game=$root/game
    # A button click: a very short falling blip.
    sx -r 44100 -c 1 -n "$work/btn.wav" synth 0.05 sine 2600-700 fade q 0.001 0.05 0.045
    sx "$work/btn.wav" "$game/sound/btn.ogg" gain -n -3

    # A camera shutter: two bursts of filtered noise, the opening and the closing blade.
    sx -r 44100 -c 1 -n "$work/shutter.wav" \
        synth 0.025 whitenoise fade q 0.001 0.025 0.022 vol 0.5 highpass 1800 pad 0 0.045 : \
        synth 0.06 whitenoise fade q 0.002 0.06 0.05 vol 0.5 bandpass 2600 1.2q pad 0 0.05
    sx "$work/shutter.wav" "$game/sound/screenshot.ogg" gain -n -2

    # Attention: a bell-like three-note chime (each note with its octave, ringing out).
    sx -r 44100 -c 2 -n -c 1 "$work/call.wav" \
        synth 0.35 sine E6 sine E7 remix 1v0.8,2v0.2 fade l 0.003 0.35 0.33 : \
        synth 0.35 sine C6 sine C7 remix 1v0.8,2v0.2 fade l 0.003 0.35 0.33 : \
        synth 0.8 sine G6 sine G7 remix 1v0.8,2v0.2 fade l 0.003 0.8 0.78
    sx "$work/call.wav" -b 16 -e signed-integer "$game/wav/call.wav" gain -6 reverb 20 50 40 gain -n -3

    # Someone entered: two short rising tones.
    sx -r 44100 -c 2 -n -c 1 "$work/enter.wav" \
        synth 0.12 triangle C6 sine C7 remix 1v0.8,2v0.2 fade q 0.004 0.12 0.04 : \
        synth 0.24 triangle G6 sine G7 remix 1v0.8,2v0.2 fade q 0.004 0.24 0.2
    sx "$work/enter.wav" "$game/wav/enter.ogg" gain -n -3

    # A short fanfare: a rising arpeggio into a held major chord, brassy (square and triangle,
    # softened by a low-pass filter).
    sx -r 44100 -c 4 -n -c 1 "$work/good.wav" \
        synth 0.11 square G4 square G4 triangle G5 triangle G5 fade q 0.004 0.11 0.03 : \
        synth 0.11 square C5 square C5 triangle C6 triangle C6 fade q 0.004 0.11 0.03 : \
        synth 0.11 square E5 square E5 triangle E6 triangle E6 fade q 0.004 0.11 0.03 : \
        synth 0.75 square G5 square C5 triangle E5 triangle C6 fade q 0.004 0.75 0.5
    sx "$work/good.wav" "$game/wav/good.ogg" lowpass 3200 gain -6 reverb 25 50 50 gain -n -3

    # Background music: three little pieces in the pentatonic scales, a plucked melody over
    # soft chords, a bass and a wood-block rhythm.
    # 00: C major, 4/4 at 120, nine seconds.
    MELODY=(E5:1 G5:1 A5:1 G5:0.5 E5:0.5 D5:1 E5:1 C5:2
        D5:1 E5:1 G5:1 E5:0.5 D5:0.5 C5:1 A4:1 C5:2 r:2)
    PAD=(C4+E4+G4:4 A3+C4+E4:4 F3+A3+C4:4 G3+C4+E4:4 C4+E4+G4:2)
    BASS=(C3:1 r:1 G2:1 r:1 A2:1 r:1 E2:1 r:1 F2:1 r:1 C3:1 r:1 G2:1 r:1 C3:1 r:1 C2:2)
    RHYTHM=(x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 x:1 r:2)
    piece "$game/wav/00.mp3" 0.5

    # 01: A minor, 4/4 at 150, a little under ten seconds.
    MELODY=(A4:0.5 C5:0.5 D5:1 E5:1 G5:0.5 E5:0.5 D5:1 C5:1 A4:2
        G4:0.5 A4:0.5 C5:1 D5:1 E5:0.5 D5:0.5 C5:1 D5:1 E5:2
        E5:1 G5:1 A5:1.5 G5:0.5 E5:1 D5:0.5 C5:0.5 A4:2)
    PAD=(A3+C4+E4:4 F3+A3+C4:4 C4+E4+G4:4 G3+B3+D4:4 F3+A3+C4:4 A3+C4+E4:4)
    BASS=(A2:1 A2:0.5 A2:0.5 E3:1 r:1 F2:1 F2:0.5 F2:0.5 C3:1 r:1
        C3:1 C3:0.5 C3:0.5 G2:1 r:1 G2:1 G2:0.5 G2:0.5 D3:1 r:1
        F2:1 F2:0.5 F2:0.5 C3:1 r:1 A2:1 E2:1 A1:2)
    RHYTHM=()
    local bar
    for ((bar = 0; bar < 5; bar++)); do
        RHYTHM+=(x:0.5 x:0.5 x:1 r:0.5 x:0.5 x:1)
    done
    RHYTHM+=(x:1 x:1 r:2)
    piece "$game/wav/01.mp3" 0.4

    # 02: F major, a waltz at 160, ten seconds.
    MELODY=(C5:1 F5:1 A5:1 G5:2 F5:1 D5:1 F5:1 G5:1 A5:3
        C6:1 A5:1 G5:1 F5:2 D5:1 C5:1 D5:1 F5:1 F5:3 r:3)
    PAD=(F3+A3+C4:3 C3+E3+G3:3 D3+F3+A3:3 F3+A3+C4:3 A3+C4+F4:3 D3+F3+A3:3 C3+E3+G3:3
        F3+A3+C4:3 F3+A3+C4:3)
    BASS=(F2:1 r:2 C2:1 r:2 D2:1 r:2 F2:1 r:2 F2:1 r:2 D2:1 r:2 C2:1 r:2 F2:1 r:2 F1:3)
    RHYTHM=()
    for ((bar = 0; bar < 8; bar++)); do
        RHYTHM+=(r:1 x:1 x:1)
    done
    RHYTHM+=(r:3)
    piece "$game/wav/02.mp3" 0.375
}

# sweep OUT SECONDS FROM TO FILTER [FILTER-ARGS...]: noise through a filter whose frequency
# moves from FROM to TO Hz (evenly in pitch). sox's filters hold one frequency, so the noise is
# cut into short pieces, each filtered a step further, that overlap and cross-fade (at constant
# power, the pieces being unrelated noise). The pieces come from one long stretch of noise:
# every piece made with the fixed seed alone would repeat the same noise, a buzz at the rate of
# the pieces.
sweep() {
    local out=$1 seconds=$2 from=$3 to=$4
    shift 4
    local step=0.05 overlap=0.02
    local pieces length i start frequency inputs=()
    pieces=$(awk -v s="$seconds" -v st="$step" 'BEGIN { n = int(s / st + 0.5); print n < 2 ? 2 : n }')
    length=$(awk -v st="$step" -v o="$overlap" 'BEGIN { print st + o }')
    sx -r 44100 -c 1 -n "$work/noise.wav" \
        synth "$(awk -v n="$pieces" -v st="$step" -v o="$overlap" 'BEGIN { print n * st + o }')" \
        whitenoise vol 0.3
    for ((i = 0; i < pieces; i++)); do
        start=$(awk -v i="$i" -v st="$step" 'BEGIN { printf "%.4f", i * st }')
        frequency=$(awk -v i="$i" -v n="$pieces" -v a="$from" -v b="$to" \
            'BEGIN { printf "%.1f", a * exp(log(b / a) * i / (n - 1)) }')
        sx "$work/noise.wav" "$work/piece$i.wav" trim "$start" "$length" \
            "$1" "$frequency" "${@:2}" fade q "$overlap" -0 "$overlap" pad "$start"
        inputs+=(-v 1 "$work/piece$i.wav")
    done
    sx -m "${inputs[@]}" "$out" trim 0 "$seconds"
    rm -f -- "$work"/piece*.wav
}

# The demo game's sounds: the cards, the big plays, the clock, the end of a hand, and the calls.
make_landlord() {
    local dir=$root/game/sound/landlord call file words sex variant
    mkdir -p "$dir"

    # A card flicked onto the pile: a very short burst of bright noise.
    sx -r 44100 -c 1 -n "$work/deal.wav" \
        synth 0.06 whitenoise vol 0.5 fade q 0.001 0.06 0.052 bandpass 3800 1.4q highpass 1200
    sx "$work/deal.wav" "$dir/deal.ogg" gain -n -3

    # Cards laid down: a soft slap, duller noise over a little low knock.
    sx -r 44100 -c 1 -n "$work/slap.wav" synth 0.15 pinknoise vol 0.5 fade q 0.002 0.15 0.14 lowpass 2200
    sx -r 44100 -c 1 -n "$work/knock.wav" synth 0.15 sine 180/70 fade q 0.002 0.15 0.13
    sx -m -v 0.65 "$work/slap.wav" -v 0.35 "$work/knock.wav" "$work/play.wav"
    sx "$work/play.wav" "$dir/play.ogg" gain -n -3

    # A bomb: noise whose low-pass falls from a crack to a rumble, dying away, over a deep thump.
    sweep "$work/blast.wav" 1 7000 120 lowpass
    sx "$work/blast.wav" "$work/blast-env.wav" fade l 0.004 -0 0.97
    sx -r 44100 -c 1 -n "$work/thump.wav" synth 0.5 sine 95/32 fade l 0.003 0.5 0.48 pad 0 0.5
    sx -m -v 0.6 "$work/blast-env.wav" -v 0.4 "$work/thump.wav" "$work/bomb.wav" \
        overdrive 6 gain -6 reverb 30 50 60 gain -n -3
    sx "$work/bomb.wav" "$dir/bomb.ogg"

    # A rocket: a whoosh climbing for 0.8 s (noise through a rising band, with a rising whistle),
    # then a short bang.
    sweep "$work/whoosh.wav" 0.8 300 6000 bandpass 1.5q
    sx -r 44100 -c 1 -n "$work/whistle.wav" synth 0.8 sine 400/2400 vol 0.3
    sx -m -v 0.8 "$work/whoosh.wav" -v 0.2 "$work/whistle.wav" "$work/climb.wav" fade q 0.6 -0 0.05
    sweep "$work/bang-noise.wav" 0.5 6000 150 lowpass
    sx -r 44100 -c 1 -n "$work/bang-thump.wav" synth 0.3 sine 110/40 fade l 0.002 0.3 0.28 pad 0 0.2
    sx -m -v 0.6 "$work/bang-noise.wav" -v 0.4 "$work/bang-thump.wav" "$work/bang.wav" fade l 0.002 -0 0.48
    # The climb peaks far below the bang: lifted to about the bang's level before the two join.
    sx "$work/climb.wav" "$work/climb-n.wav" gain -n -6
    sx "$work/bang.wav" "$work/bang-n.wav" gain -n -1
    sx "$work/climb-n.wav" "$work/bang-n.wav" "$work/rocket.wav" \
        overdrive 4 gain -6 reverb 25 50 50 gain -n -3
    sx "$work/rocket.wav" "$dir/rocket.ogg"

    # A plane going over: a propeller's buzz (a sawtooth, chopped by the blades) whose pitch falls
    # as it passes, swelling and fading, under a little wind. The pitch falls by even steps of
    # hertz: sox's sweep by semitones leaves a falling sawtooth stuck at one rail.
    sx -r 44100 -c 2 -n -c 1 "$work/plane.wav" \
        synth 1 sawtooth 120:84 brownnoise remix 1v0.6,2v0.2 tremolo 24 55 lowpass 1500 fade h 0.45 -0 0.55
    sx "$work/plane.wav" "$dir/plane.ogg" gain -n -3

    # The clock running out: a wood-block tick and a lower tock.
    sx -r 44100 -c 2 -n -c 1 "$work/alarm.wav" \
        synth 0.04 sine 2000 square 4000 remix 1v0.85,2v0.15 fade q 0.001 0.04 0.037 pad 0 0.16 : \
        synth 0.04 sine 1400 square 2800 remix 1v0.85,2v0.15 fade q 0.001 0.04 0.037 pad 0 0.16
    sx "$work/alarm.wav" "$dir/alarm.ogg" gain -n -3

    # A win: a bright arpeggio rising through two octaves of C major to a ringing top note.
    sx -r 44100 -c 2 -n -c 1 "$work/win.wav" \
        synth 0.1 triangle C5 sine C6 remix 1v0.7,2v0.3 fade q 0.003 0.1 0.04 : \
        synth 0.1 triangle E5 sine E6 remix 1v0.7,2v0.3 fade q 0.003 0.1 0.04 : \
        synth 0.1 triangle G5 sine G6 remix 1v0.7,2v0.3 fade q 0.003 0.1 0.04 : \
        synth 0.1 triangle C6 sine C7 remix 1v0.7,2v0.3 fade q 0.003 0.1 0.04 : \
        synth 0.1 triangle E6 sine E7 remix 1v0.7,2v0.3 fade q 0.003 0.1 0.04 : \
        synth 0.1 triangle G6 sine G7 remix 1v0.7,2v0.3 fade q 0.003 0.1 0.04 : \
        synth 0.6 triangle C7 sine C8 remix 1v0.7,2v0.3 fade l 0.003 0.6 0.58
    sx "$work/win.wav" "$dir/win.ogg" gain -6 reverb 30 50 60 gain -n -3

    # A loss: a slow phrase falling down C minor, muted and brassy.
    sx -r 44100 -c 2 -n -c 1 "$work/lose.wav" \
        synth 0.25 square G4 triangle G3 remix 1v0.4,2v0.6 fade h 0.01 0.25 0.06 : \
        synth 0.25 square Eb4 triangle Eb3 remix 1v0.4,2v0.6 fade h 0.01 0.25 0.06 : \
        synth 0.25 square D4 triangle D3 remix 1v0.4,2v0.6 fade h 0.01 0.25 0.06 : \
        synth 0.45 square C4 triangle C3 remix 1v0.4,2v0.6 fade h 0.01 0.45 0.3
    sx "$work/lose.wav" "$dir/lose.ogg" lowpass 1400 gain -6 reverb 30 50 60 gain -n -3

    # A spring (a hand won before the others played a card): a fanfare, three quick calls and
    # a held major chord, brassy like the one of wav/good.ogg.
    sx -r 44100 -c 4 -n -c 1 "$work/spring.wav" \
        synth 0.1 square G4 square G4 triangle G5 triangle G5 fade q 0.004 0.1 0.04 : \
        synth 0.1 square G4 square G4 triangle G5 triangle G5 fade q 0.004 0.1 0.04 : \
        synth 0.1 square G4 square G4 triangle G5 triangle G5 fade q 0.004 0.1 0.04 : \
        synth 0.25 square C5 square C5 triangle C6 triangle C6 fade q 0.004 0.25 0.05 : \
        synth 0.65 square C5 square E5 triangle G5 triangle C6 fade q 0.004 0.65 0.45
    sx "$work/spring.wav" "$dir/spring.ogg" lowpass 3200 gain -6 reverb 25 50 50 gain -n -3

    # The calls, without the silence the voice leaves before and after the words, so that they
    # come as the player's move does. Cutting the silence of a voice too faint to pass its
    # threshold would leave an empty file: that stops the build.
    for call in "${LANDLORD_CALLS[@]}"; do
        file=${call%%|*}
        words=${call#*|}
        for sex in m w; do
            [ "$sex" = m ] && variant=$MALE || variant=$FEMALE
            speak "$words" "$variant" "$dir/${sex}_$file.ogg" \
                silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse gain -n -3
            [ "$("$SOX" --i -s "$dir/${sex}_$file.ogg")" -gt 0 ] ||
                die "the voice for \"$words\" is silent"
        done
    done
}

# speak WORDS VARIANT OUT [EFFECT...]: WORDS in the Mandarin voice of VARIANT, through sox's
# EFFECTs into OUT.
speak() {
    local words=$1 variant=$2 out=$3
    shift 3
    # The words go on standard input, so that nothing in them is taken for an option.
    printf '%s' "$words" | "$ESPEAK" -v "$VOICE+$variant" --stdin -w "$work/voice.wav" ||
        die "espeak-ng cannot speak \"$words\""
    [ -s "$work/voice.wav" ] || die "espeak-ng said nothing for \"$words\""
    sx "$work/voice.wav" "$out" "$@"
}

make_voices() {
    local i dir sex variant
    for i in "${!VOICE_FILES[@]}"; do
        dir=$root/game/${VOICE_FOLDERS[$i]}
        mkdir -p "$dir"
        for sex in m w; do
            [ "$sex" = m ] && variant=$MALE || variant=$FEMALE
            speak "${PHRASES[$i]}" "$variant" "$dir/${sex}_${VOICE_FILES[$i]}" gain -n -2
        done
    done
}

# --- main ---

[ $# -ge 2 ] || usage
case $1 in
--list | --voices)
    [ $# -eq 2 ] || usage
    read_phrases "$2"
    if [ "$1" = --list ]; then all_files; else voice_files; fi
    exit 0
    ;;
-*) usage ;;
esac

root=$1
read_phrases "$2"
shift 2
made=$(all_files)

# Checked before anything is written: a failed run leaves the build's outputs stale, so the next
# build runs it again.
if [ $# -gt 0 ]; then
    declared=$(printf '%s\n' "$@" | sort)
    problems=$(comm -3 <(printf '%s\n' "$made" | sort) <(printf '%s\n' "$declared"))
    if [ -n "$problems" ]; then
        comm -23 <(printf '%s\n' "$made" | sort) <(printf '%s\n' "$declared") |
            sed 's/$/ is made but not listed in assets\/CMakeLists.txt/; s/^/make-sounds: /' >&2
        comm -13 <(printf '%s\n' "$made" | sort) <(printf '%s\n' "$declared") |
            sed 's/$/ is listed in assets\/CMakeLists.txt but not made/; s/^/make-sounds: /' >&2
        exit 1
    fi
fi

manifest=$root/sounds.txt
# The manifest of an earlier run goes first: until this run has written every sound, there is
# none. The files it listed that this run no longer makes (a phrase taken out of the list) go too,
# so staging does not carry them on.
if [ -f "$manifest" ]; then
    while read -r old _; do
        case $old in '#'* | '') continue ;; esac
        printf '%s\n' "$made" | grep -qxF -- "$old" || rm -f -- "$root/$old"
    done <"$manifest"
    rm -f -- "$manifest"
fi
mkdir -p "$root/game/sound" "$root/game/wav"
work=$(mktemp -d "$root/.sounds.XXXXXX")
trap 'rm -rf -- "$work"' EXIT

make_fixed
make_landlord
make_voices

{
    printf '# file seconds\n'
    while IFS= read -r file; do
        printf '%s %s\n' "$file" "$("$SOX" --i -D "$root/$file")"
    done <<<"$made"
} >"$work/sounds.txt"
# Written last: it tells that every sound is there.
mv -- "$work/sounds.txt" "$manifest"
