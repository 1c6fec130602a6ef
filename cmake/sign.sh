#!/bin/sh
# Signs Windows files in place with Authenticode, SHA-256, through osslsigncode: the programs, the
# NSIS setup and its uninstaller, and the MSI. The build runs it with the cache variables
# HORAVANE_SIGNING_CERT, HORAVANE_SIGNING_KEY and the optional ones; the signing test with a
# throw-away certificate.
#   sign.sh OSSLSIGNCODE CERT.pem KEY [--timestamp URL] [--pkcs11-module MODULE] FILE...
# KEY is a PEM file, or with --pkcs11-module a PKCS#11 URI ("pkcs11:token=...;object=...") of a
# key that never leaves its hardware token. Without --timestamp the signatures carry no timestamp.
set -eu
osslsigncode=$1
cert=$2
key=$3
shift 3
timestamp=""
module=""
while [ $# -gt 0 ]; do
    case $1 in
        --timestamp) timestamp=$2; shift 2 ;;
        --pkcs11-module) module=$2; shift 2 ;;
        *) break ;;
    esac
done

for file in "$@"; do
    rm -f "$file.signed"
    # An earlier signature of a rebuilt file is replaced, not nested.
    "$osslsigncode" sign -h sha256 -n Horavane -i https://horavane.org/ -certs "$cert" -key "$key" \
        ${module:+-pkcs11module "$module"} ${timestamp:+-ts "$timestamp"} \
        -in "$file" -out "$file.signed" >/dev/null
    mv "$file.signed" "$file"
done
