#!/usr/bin/env bash
# Converts real-world sample media (corpus.tsv, fetched by fetch-corpus.sh) through morvane-batch and
# checks each conversion against the file's truth:
#   - a file with the streams the profile converts comes out "Completed" (exit 0) with an output that
#     decodes without an error; any other file fails (exit 1) with a reason and leaves no output;
#   - each stream's decoded length is within max(0.3 s, 0.5 %) of the source's decoded length;
#   - pictures and sound start together as in the source, within 45 ms and one output frame (a frame
#     is as near as pictures can be placed; containers without an encoder-delay field, FLV and AVI
#     with MP3 for one, start the sound up to 50 ms early with FFmpeg alone too).
#     Where the sound begins with digital silence that the source lacks (an encoder's priming in a
#     container that cannot skip it, silence put before a late sound), the sound counts from where it is
#     first heard, in the source and in the output alike;
#   - a sound shorter than one frame of the target's encoder fails, saying so (WMA keeps nothing of it);
#   - no muxer saw timestamps go back ("non monotonically increasing dts", "Non-monotonous DTS");
#   - the sound keeps its level: its mean level rises by no more than 1.5 dB, and no more of its samples
#     sit at full scale (clip) than in the source, beyond one in five hundred (a lossy coder overshoots
#     a little where the source peaks at full scale);
#   - the picture keeps its shape: the area that is not bars, times the pixels' shape, shows within 2 %
#     of the source's (and within two pixels of the smaller side, as even sides need), where the
#     source's picture reaches every edge of its frame in some frame (else its shape cannot be told).
# An audio target writes the samples the source decodes to: where the source's sound timestamps leave a
# gap or overlap, its length may be that of the samples rather than that of the timestamps.
# Lengths and starts come from decoding (framecrc), never from headers.
# Usage: corpus_test.sh PROGRAM-DIRECTORY [--all] [--only REGEX] [--table FILE]
#   --all     every representative profile of each file's kind, not the suite's subset
#   --only    only the files whose names match REGEX
#   --table   also write the results as a Markdown table to FILE
# Exit status: 0 all checks passed, 1 a check failed, 77 the corpus cannot be fetched.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
program="${1:?program directory}"
shift
all=0 only="" table=""
while [ $# -gt 0 ]; do
    case "$1" in
    --all) all=1 ;;
    --only) only="$2"; shift ;;
    --table) table="$2"; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

video_profiles="20-mp4-1-h264-aac 10-avi-1-xvid-mp3 65-general-1-mkv-h264-aac 65-general-2-webm-vp8-vorbis
    22-mobile-1-3gp-h263-176x144 40-mpeg-3-dvd-pal 50-wmv-1-wmv2 60-flash-1-flv-320x240 30-mov-3-h264-aac
    70-ipod-4-h264-320x240 80-psp-7-h264-480x272 40-mpeg-1-mpeg1"
audio_profiles="90-mp3-1-128k 92-aac-1-128k 94-wma-1-128k"

log="${TMPDIR:-/tmp}/morvane-corpus-fetch.$$"
status=0
files="$("$here/fetch-corpus.sh" "$here/corpus.tsv" 2> "$log")" || status=$?
reason="$(tail -n 1 "$log")"
rm -f "$log"
if [ "$status" -eq 77 ]; then
    echo "SKIPPED: $reason"
    exit 77
elif [ "$status" -ne 0 ]; then
    echo "FAIL: $reason"
    exit 1
fi
# Each source's measured facts, kept beside the files under the layout of their record (another layout
# gets a folder of its own, so checkouts of different ages never read each other's records).
facts="$(dirname "$files")/facts-8"
mkdir -p "$facts"

work="$(mktemp -d "${TMPDIR:-/tmp}/morvane-corpus-XXXXXX")"
trap 'rm -rf "$work"' EXIT
# A program directory of the test's own, so config.ini and trace.flt are the test's.
cp -rl "$program" "$work/bin" 2> /dev/null || cp -r "$program" "$work/bin"
rm -f "$work/bin/config.ini" "$work/bin/trace.flt" "$work/bin/input.avs"

# Decodes FILE's first picture and first sound stream and prints
# "VSTART VLEN VFRAME ASTART ALEN ASAMPLES" in seconds ("-" for a stream it lacks; ASAMPLES: the length of
# the samples decoded, whatever their timestamps); decoding errors go to ERRFILE.
measure() {
    ffmpeg -nostdin -v error -i "$1" -map '0:v:0?' -map '0:a:0?' -enc_time_base:v -1 -f framecrc - 2> "$2" | awk -F', *' '
        /^#tb/ { split($0, p, /[ :\/]+/); tb[p[2]] = p[3] / p[4] }
        /^#media_type/ { split($0, p, /[ :]+/); kind[p[2]] = p[3] }
        /^[0-9]/ {
            s = $1; t = $3 * tb[s]; e = ($3 + $4) * tb[s]
            if (!(s in first) || t < first[s]) first[s] = t
            if (!(s in last) || e > last[s]) last[s] = e
            if (!(s in frame)) frame[s] = $4 * tb[s]
            total[s] += $4 * tb[s]
        }
        END {
            vs = "-"; vl = "-"; vf = "-"; as = "-"; al = "-"; at = "-"
            for (s in first) {
                if (kind[s] == "video") { vs = first[s]; vl = last[s] - first[s]; vf = frame[s] }
                if (kind[s] == "audio") { as = first[s]; al = last[s] - first[s]; at = total[s] }
            }
            print vs, vl, vf, as, al, at
        }'
}

# Where FILE's first sound stream, starting at START, is first heard: the end of the digital silence it
# begins with, else START.
audible_start() {
    ffmpeg -nostdin -v info -i "$1" -map 0:a:0 -af silencedetect=noise=-50dB:duration=0.005 -f null - 2>&1 |
        awk -v start="$2" '
            /silence_start:/ && !seen { seen = 1; split($0, p, /silence_start: */); opening = (p[2] + 0 <= start + 0.005) }
            /silence_end:/ && opening { split($0, p, /silence_end: */); split(p[2], q, / /); print q[1] + 0; found = 1; exit }
            END { if (!found) print start }'
}

# FILE's first sound stream as "RMS CLIPPED": its mean level in dB of full scale and the fraction of its
# samples at full scale once made 16-bit ("- -" without sound).
levels() {
    ffmpeg -nostdin -v info -i "$1" -map 0:a:0 -af \
        aformat=sample_fmts=s16,astats=measure_perchannel=none:measure_overall=Peak_level+RMS_level+Peak_count+Number_of_samples \
        -f null - 2>&1 | awk '
            /Peak level dB:/ { peak = $NF } /RMS level dB:/ { rms = $NF } /Peak count:/ { count = $NF }
            /Number of samples:/ { samples = $NF }
            END { if (rms == "" || samples + 0 == 0) { print "- -"; exit }
                  if (rms == "-inf") rms = -200
                  printf "%s %.6f\n", rms, (peak + 0 >= -0.001 ? count / samples : 0) }'
}

# The shape FILE's first picture stream shows, bars left out, as "SHAPE SIDE": the width over the height of
# the area that is not black in any frame, times the pixels' shape, and that area's smaller side ("- -"
# when it cannot be told: a still, or a picture black throughout). With "whole", only a picture that
# reaches every edge of its frame counts: a source's own bars or dark edges say nothing of its shape.
shape() {
    local crop sar size
    crop="$(ffmpeg -nostdin -v info -i "$1" -map 0:v:0 -vf cropdetect=limit=24:round=2:reset=0 -f null - 2>&1 |
        grep -o 'crop=[0-9]*:[0-9]*' | tail -n 1 || true)"
    sar="$(ffprobe -v error -select_streams v:0 -show_entries stream=sample_aspect_ratio -of default=nw=1:nk=1 "$1" |
        head -n 1)"
    size="$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$1" | head -n 1)"
    awk -v c="${crop#crop=}" -v s="$sar" -v f="$size" -v whole="${2:-}" 'BEGIN { split(c, a, ":"); split(s, r, ":")
        split(f, z, "x"); q = 1
        if (r[1] + 0 > 0 && r[2] + 0 > 0) q = r[1] / r[2]
        if (whole != "" && (a[1] + 4 < z[1] + 0 || a[2] + 4 < z[2] + 0)) { print "- -"; exit }
        if (a[1] + 0 > 0 && a[2] + 0 > 0) printf "%.4f %d\n", a[1] * q / a[2], (a[1] < a[2] ? a[1] : a[2]); else print "- -" }'
}

rows=() failures=0 conversions=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

while IFS=$'\t' read -r name _package _path _licence container codecs picture sound length suite; do
    [ -n "$only" ] && ! [[ "$name" =~ $only ]] && continue
    source="$files/$name"
    if ! [ -s "$facts/$name" ] || [ "$(wc -w < "$facts/$name")" -lt 10 ]; then
        {
            measure "$source" /dev/null | tr '\n' ' ' || true
            if [ "$sound" != "-" ]; then levels "$source" | tr '\n' ' '; else echo -n "- - "; fi
            if [ "$picture" = video ]; then shape "$source" whole; else echo "- -"; fi
        } > "$facts/$name"
    fi
    read -r svs svl _ sas sal sat srms sclip sshape sside < "$facts/$name"
    # The file is still the one the manifest describes.
    found="$(ffprobe -v error -show_entries stream=codec_name -of default=nw=1:nk=1 "$source" 2> /dev/null | grep . | paste -sd, - || true)"
    [ "${found:--}" = "$codecs" ] || fail "$name: streams $found, the manifest says $codecs"
    awk -v v="$svl" -v a="$sal" -v l="$length" 'BEGIN { m = 0; if (v != "-" && v > m) m = v; if (a != "-" && a > m) m = a
        d = m - l; exit !(d < 0.01 && d > -0.01) }' || fail "$name: decodes to $svl s of pictures and $sal s of sound, the manifest says $length s"

    profiles="${suite//,/ }"
    if [ "$all" -eq 1 ]; then
        profiles="$audio_profiles"
        [ "$picture" != "-" ] && profiles="$video_profiles $audio_profiles"
        [ "$picture" = "-" ] && [ "$sound" = "-" ] && profiles="20-mp4-1-h264-aac 90-mp3-1-128k"
    fi
    for profile in $profiles; do
        conversions=$((conversions + 1))
        audio_only=0
        case "$profile" in 9[0-9]-*) audio_only=1 ;; esac
        # The truth: an audio profile needs sound; a video profile takes pictures, sound or both.
        expect=converts
        if [ "$sound" = "-" ] && { [ "$audio_only" -eq 1 ] || [ "$picture" = "-" ]; }; then
            expect=fails
        fi
        # WMA encodes 2048 samples a frame (46 ms at 44.1 kHz) and its first frame decodes to nothing.
        too_short=0
        case "$profile" in 94-wma-*)
            if [ "$picture" = "-" ] && [ "$sal" != "-" ] && awk -v l="$sal" 'BEGIN { exit !(l < 0.047) }'; then
                expect=fails too_short=1
            fi
            ;;
        esac

        out="$work/out/$profile/$name"
        mkdir -p "$out"
        rc=0
        traced="$(stat -c %s "$work/bin/trace.flt" 2> /dev/null || echo 0)"
        "$work/bin/morvane-batch" --json -p "$profile" -o "$out" "$source" > "$work/events" 2> "$work/stderr" || rc=$?
        output="$(sed -n 's/.*"event":"finished".*"output":"\([^"]*\)".*/\1/p' "$work/events")"
        result="" lengths="" offset=""

        if [ "$expect" = fails ]; then
            reason="$(sed -n 's/^Reason: //p; s/^Error: \(The file .* can not be decoded\.\)/\1/p' "$work/stderr" | head -n 1)"
            result="fails: ${reason:-no reason}"
            [ "$rc" -eq 1 ] || fail "$name with $profile: exit status $rc, expected 1 (the file cannot be converted)"
            [ -z "$(ls -A "$out")" ] || fail "$name with $profile: a failed conversion left $(ls "$out")"
            [ -n "$reason" ] || fail "$name with $profile: failed without a reason"
            if [ "$too_short" -eq 1 ] && [[ "$reason" != *"too short"* ]]; then
                fail "$name with $profile: the reason does not say the sound is too short: $reason"
            fi
        elif [ "$rc" -ne 0 ] || [ -z "$output" ] || [ ! -s "$output" ]; then
            result="FAILED ($(sed -n 's/^Reason: //p' "$work/stderr" | head -n 1))"
            fail "$name with $profile: exit status $rc, output \"$output\"; expected a converted file"
        else
            read -r ovs ovl ovf oas oal _ <<< "$(measure "$output" "$work/decode-errors" || true)"
            result="converts"
            backwards="$(tail -c +$((traced + 1)) "$work/bin/trace.flt" 2> /dev/null |
                grep -a -c -i 'non monotonically increasing dts\|Non-monotonous DTS' || true)"
            if [ "${backwards:-0}" -gt 0 ]; then
                fail "$name with $profile: a muxer saw timestamps go back $backwards times"
                result="timestamps go back"
            fi
            if [ -s "$work/decode-errors" ]; then
                fail "$name with $profile: the output does not decode cleanly: $(head -n 2 "$work/decode-errors")"
                result="decode errors"
            fi
            # Each stream the source has and the profile keeps, with its decoded length.
            within() { awk -v a="$1" -v b="$2" 'BEGIN { t = b * 0.005; if (t < 0.3) t = 0.3; d = a - b; exit !(d <= t && d >= -t) }'; }
            check_length() {
                local kind="$1" src="$2" got="$3" samples="${4:-}"
                if [ "$got" = "-" ]; then
                    fail "$name with $profile: the output has no $kind stream"
                    lengths+="$kind missing "
                    return
                fi
                if [ -n "$samples" ] && ! within "$got" "$src" && within "$got" "$samples"; then
                    lengths+="$kind $(awk -v a="$got" -v b="$samples" 'BEGIN { printf "%+.3f", a - b }') (of the samples) "
                    return
                fi
                lengths+="$kind $(awk -v a="$got" -v b="$src" 'BEGIN { printf "%+.3f", a - b }') "
                within "$got" "$src" || fail "$name with $profile: $kind lasts $got s, the source's $src s"
            }
            if [ "$audio_only" -eq 0 ] && [ "$svl" != "-" ]; then check_length video "$svl" "$ovl"; fi
            if [ "$sal" != "-" ]; then
                if [ "$audio_only" -eq 1 ]; then check_length audio "$sal" "$oal" "$sat"; else check_length audio "$sal" "$oal"; fi
            fi
            if [ "$audio_only" -eq 1 ] && [ "$ovs" != "-" ]; then fail "$name with $profile: an audio target with pictures"; fi
            if [ "$srms" != "-" ] && [ "$oas" != "-" ]; then
                read -r orms oclip <<< "$(levels "$output")"
                lengths+="level $(awk -v a="$orms" -v b="$srms" 'BEGIN { printf "%+.1f", a - b }') dB "
                if ! awk -v a="$orms" -v b="$srms" 'BEGIN { exit !(a <= b + 1.5) }'; then
                    fail "$name with $profile: the sound is louder, $orms dB against the source's $srms dB"
                fi
                if ! awk -v a="$oclip" -v b="$sclip" 'BEGIN { exit !(a <= b + 0.002) }'; then
                    fail "$name with $profile: the sound clips: $oclip of its samples at full scale, the source's $sclip"
                fi
            fi
            if [ "$audio_only" -eq 0 ] && [ "$sshape" != "-" ] && [ "$ovs" != "-" ]; then
                read -r oshape oside <<< "$(shape "$output")"
                if [ "$oshape" != "-" ]; then
                    lengths+="shape $oshape of $sshape "
                    if ! awk -v a="$oshape" -v b="$sshape" -v side="$oside" 'BEGIN { t = 0.02 + 2 / side
                        exit !(a / b - 1 <= t && 1 - a / b <= t) }'; then
                        fail "$name with $profile: the picture shows at $oshape:1, the source's at $sshape:1"
                    fi
                fi
            fi
            if [ "$audio_only" -eq 0 ] && [ "$svl" != "-" ] && [ "$sal" != "-" ] && [ "$ovs" != "-" ] && [ "$oas" != "-" ]; then
                offset="$(awk -v ov="$ovs" -v oa="$oas" -v sv="$svs" -v sa="$sas" 'BEGIN { printf "%+.3f", (ov - oa) - (sv - sa) }')"
                in_sync() { awk -v d="$1" -v f="$ovf" 'BEGIN { t = 0.045 + f; exit !(d <= t && d >= -t) }'; }
                if ! in_sync "$offset"; then
                    # Silence before the sound (priming, padding) is no sound: count from where it is heard.
                    heard="$(awk -v ov="$ovs" -v oa="$(audible_start "$output" "$oas")" -v sv="$svs" \
                        -v sa="$(audible_start "$source" "$sas")" 'BEGIN { printf "%+.3f", (ov - oa) - (sv - sa) }')"
                    if in_sync "$heard"; then
                        offset="$heard (heard)"
                    else
                        fail "$name with $profile: pictures against sound moved by $offset s ($heard s from where the sound is heard)"
                    fi
                fi
            fi
        fi
        printf '%-28s %-30s %-30s %-12s %s%s\n' "$name" "$container/$codecs" "$profile" "${result%%:*}" "$lengths" \
            "${offset:+A/V $offset}"
        rows+=("| $name | $container / $codecs | $profile | $result | ${lengths:--} | ${offset:--} |")
    done
done < <(grep -v '^#' "$here/corpus.tsv")

if [ -n "$table" ]; then
    {
        echo "| file | container / codecs | profile | result | length difference (s) | A/V offset change (s) |"
        echo "| --- | --- | --- | --- | --- | --- |"
        printf '%s\n' "${rows[@]}"
    } > "$table"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures of $conversions corpus conversions failed their checks"
    exit 1
fi
echo "$conversions corpus conversions checked"
