#!/bin/sh
# A stand-in for the password tools that copy a secret from a terminal and then take it back:
#   clip_secret.sh clear SECONDS SECRET     copies SECRET, and SECONDS later an empty text, as
#                                           keepassxc-cli clip does
#   clip_secret.sh restore SECONDS SECRET   copies SECRET, and SECONDS later puts back what the
#                                           clipboard held before, as pass -c does (after 45 s)
# Through wl-copy on Wayland, else through xclip, as those tools do.
set -eu
mode=$1
seconds=$2
secret=$3
if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    copy() { wl-copy >/dev/null 2>&1; }
    paste() { wl-paste --no-newline; }
else
    copy() { xclip -selection clipboard >/dev/null 2>&1; }
    paste() { xclip -o -selection clipboard; }
fi
before=$(paste 2>/dev/null | base64 || true)
printf %s "$secret" | copy
sleep "$seconds"
if [ "$mode" = restore ]; then
    printf %s "$before" | base64 -d | copy
else
    printf '' | copy
fi
