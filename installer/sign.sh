#!/usr/bin/env bash
# Signs files in place with Authenticode: sign.sh PFX FILE... An empty PFX signs nothing (an
# unsigned build). The PFX's password comes from VELMORA_SIGN_PASSWORD, never from the command
# line; VELMORA_SIGN_TIMESTAMP, when set, names a time-stamping server (RFC 3161).
set -euo pipefail
pfx=$1
shift
[ -n "$pfx" ] || exit 0
if [ ! -f "$pfx" ]; then
  echo "sign.sh: the certificate $pfx (VELMORA_SIGN_PFX) does not exist" >&2
  exit 1
fi
if [ -z "${VELMORA_SIGN_PASSWORD+set}" ]; then
  echo "sign.sh: VELMORA_SIGN_PASSWORD is not set; set it to the password of $pfx (empty for none)" >&2
  exit 1
fi
timestamp=()
[ -z "${VELMORA_SIGN_TIMESTAMP:-}" ] || timestamp=(-ts "$VELMORA_SIGN_TIMESTAMP")
for file in "$@"; do
  rm -f "$file.signed"
  if ! osslsigncode sign -pkcs12 "$pfx" -readpass <(printf '%s' "$VELMORA_SIGN_PASSWORD") -h sha256 \
       -n "Velmora Tessel" -i "http://www.marrowfield.example/velmora/" "${timestamp[@]}" \
       -in "$file" -out "$file.signed" >/dev/null; then
    rm -f "$file.signed"
    echo "sign.sh: signing $file failed" >&2
    exit 1
  fi
  mv -f "$file.signed" "$file"
done
