#!/bin/sh
# A stand-in for yt-dlp in the engine tests. The link's last path part picks
# the behaviour; the download folder (-P) doubles as the control folder.
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
wait*) # until the test creates "<name>.release"; SIGINT ends it like yt-dlp's Ctrl-C
    trap 'echo interrupted >> "$folder/$name.signals"; exit 130' INT
    echo "KWPROG|10|1000|NA|100.0|9|$folder/$name.mp4"
    while [ ! -e "$folder/$name.release" ]; do sleep 0.05; done
    finish_file ;;
stubborn*)
    trap 'echo INT >> "$folder/$name.signals"' INT
    trap 'echo TERM >> "$folder/$name.signals"' TERM
    echo "KWPROG|10|1000|NA|100.0|9|$folder/$name.mp4"
    while :; do sleep 0.05; done ;;
fail*)
    echo "ERROR: [generic] Unsupported URL: https://example.com/$name" >&2
    exit 1 ;;
silent*)
    exit 1 ;;
partial*)
    finish_file
    echo "ERROR: [youtube] item2: Video unavailable" >&2
    exit 1 ;;
oldpp*)
    finish_file
    printf 'KWPP|Merger|startedKWPP|Merger|finishedKWPP|MoveFiles|started\n' >&2 ;;
manyfiles*)
    for i in $(seq 0 199); do echo "KWFILE|$folder/part$i.mp4"; done ;;
*)
    exit 2 ;;
esac
