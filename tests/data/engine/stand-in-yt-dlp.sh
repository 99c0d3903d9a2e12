#!/bin/sh
# A stand-in for yt-dlp in the engine tests. The link's last path part picks
# the behaviour; the download folder (-P) doubles as the control folder.
# The tests serve an update by changing the next two lines.
version=2099.01.01
fixed=no
case "$*" in
*--version*) echo $version; exit 0 ;;
*--list-extractors*) seq 1 150; exit 0 ;;
esac
prev=
for arg in "$@"; do
    [ "$prev" = "-P" ] && folder=$arg
    prev=$arg
done
name=${arg##*/}
echo "$name" >> "$folder/started"
printf '%s\n' "$@" > "$folder/$name.args"

finish_file() {
    head -c 1000 /dev/zero > "$folder/$name.mp4"
    echo "KWPROG|500|1000|NA|100.0|5|$folder/$name.mp4"
    echo "KWPROG|1000|1000|NA|100.0|0|$folder/$name.mp4"
    echo "KWFILE|$folder/$name.mp4"
}

case "$name" in
ok*)
    echo "KWITEM|1|1|Title of $name"
    echo "WARNING: a warning on standard error" >&2
    finish_file ;;
wait*) # until released; SIGINT ends it like yt-dlp's Ctrl-C
    trap 'echo interrupted >> "$folder/$name.signals"; exit 130' INT
    echo "KWPROG|10|1000|NA|100.0|9|$folder/$name.mp4"
    while [ ! -e "$folder/$name.release" ]; do sleep 0.05; done
    finish_file ;;
stubborn*)
    trap 'echo INT >> "$folder/$name.signals"' INT
    trap 'echo TERM >> "$folder/$name.signals"' TERM
    echo "KWPROG|10|1000|NA|100.0|9|$folder/$name.mp4"
    while :; do sleep 0.05; done ;;
outdated*) # until released, then fails the way an outdated yt-dlp does
    while [ ! -e "$folder/$name.release" ]; do sleep 0.05; done
    [ $fixed = yes ] && exit 0
    echo "ERROR: [generic] abc: Unable to extract title; please report this issue on https://github.com/yt-dlp/yt-dlp/issues?q= , filling out the appropriate issue template. Confirm you are on the latest version using  yt-dlp -U" >&2
    exit 1 ;;
fail*)
    echo "ERROR: [generic] Unsupported URL: https://example.com/$name" >&2
    exit 1 ;;
silent*) exit 1 ;;
partial*)
    finish_file
    echo "ERROR: [youtube] item2: Video unavailable" >&2
    exit 1 ;;
oldpp*)
    finish_file
    printf 'KWPP|Merger|startedKWPP|Merger|finishedKWPP|MoveFiles|started\n' >&2 ;;
manyfiles*)
    for i in $(seq 0 199); do echo "KWFILE|$folder/part$i.mp4"; done ;;
*) exit 2 ;;
esac
