#!/usr/bin/env bash
# The signing round trip on copies of files the build already made, so that no second build is
# needed: a throw-away certificate authority and a code-signing certificate from it (openssl),
# cmake/sign.sh, as the build runs it, on copies of the programs, the setup and the MSI, then
# osslsigncode verifies every signature against that authority. The build's own files must be
# unsigned, since this build tree was configured without a certificate.
#   check_signing.sh OSSLSIGNCODE SIGN.sh FILE...
set -euo pipefail
osslsigncode=$1
sign=$2
shift 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Horavane test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Horavane test signer" 2>/dev/null
printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature extendedKeyUsage=codeSigning >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile signer.ext \
  -out signer.pem 2>/dev/null

copies=()
for file in "$@"; do
  [[ -f $file ]] || fail "$file was not built"
  if "$osslsigncode" verify -CAfile ca.pem -in "$file" >/dev/null 2>&1; then
    fail "$file is signed although no certificate was configured"
  fi
  cp "$file" "$work/"
  copies+=("$work/$(basename "$file")")
done
sh "$sign" "$osslsigncode" signer.pem signer.key "${copies[@]}"
for copy in "${copies[@]}"; do
  out=$("$osslsigncode" verify -CAfile ca.pem -in "$copy" 2>&1) || fail "$(basename "$copy"): $out"
  grep -q 'Message digest algorithm *: SHA256' <<<"$out" || fail "$(basename "$copy") is not signed with SHA-256: $out"
done
# A signature that does not cover the bytes must not pass: one byte of the copy changed.
printf 'X' | dd of="${copies[0]}" bs=1 seek=4096 conv=notrunc 2>/dev/null
if "$osslsigncode" verify -CAfile ca.pem -in "${copies[0]}" >/dev/null 2>&1; then
  fail "a changed $(basename "${copies[0]}") still verifies"
fi
echo "signed and verified with SHA-256: $(cd "$work" && ls -- *.exe *.msi | tr '\n' ' ')"
