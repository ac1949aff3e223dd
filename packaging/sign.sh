#!/usr/bin/env bash
# Signs programs and MSI packages in place with osslsigncode (Authenticode, SHA-256), when the
# signing variables ask for it; without them it does nothing.
#   sign.sh FILE...
# The variables (README, "Signing a release"):
#   KW_SIGN_CERT           the certificate, with its chain (PEM)
#   KW_SIGN_KEY            the private key file, or with KW_SIGN_PKCS11_MODULE the key's PKCS#11 id
#   KW_SIGN_PKCS11_MODULE  the PKCS#11 module of a hardware key or signing service
#   KW_SIGN_PKCS11_ENGINE  the OpenSSL engine for PKCS#11, when osslsigncode does not find it
#   KW_SIGN_PASS_FILE      a file holding the key's password or PIN
#   KW_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp service
# Each signed file is checked to be the file given plus its signature: a program byte for byte
# once the signature is removed; an MSI stream for stream, since osslsigncode lays out the
# compound file anew.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/release-lib.sh"

mode=$(kw_signing)
[ "$mode" != none ] || exit 0
command -v "$KW_OSSLSIGNCODE" >/dev/null ||
  { echo "$KW_OSSLSIGNCODE is missing: run scripts/setup.sh" >&2; exit 1; }

args=(-h sha256 -n Kestrowinda -certs "$KW_SIGN_CERT" -key "$KW_SIGN_KEY")
if [ "$mode" = pkcs11 ]; then
  args+=(-pkcs11module "$KW_SIGN_PKCS11_MODULE")
  [ -z "${KW_SIGN_PKCS11_ENGINE:-}" ] || args+=(-pkcs11engine "$KW_SIGN_PKCS11_ENGINE")
fi
[ -z "${KW_SIGN_PASS_FILE:-}" ] || args+=(-readpass "$KW_SIGN_PASS_FILE")
[ -z "${KW_SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$KW_SIGN_TIMESTAMP_URL")

# What must not change by signing: streams_but_signature PACKAGE
streams_but_signature() {
  "$KW_PYTHON" "$here/msi.py" streams "$1" | grep -v -e ' \\x05DigitalSignature$' \
    -e ' \\x05MsiDigitalSignatureEx$'
}

for file in "$@"; do
  signed="$file.signed"
  log="$file.sign.log"
  extra=()
  case $file in
    *.msi) extra=(-add-msi-dse) ;;
  esac
  rm -f "$signed" # osslsigncode does not overwrite
  if ! "$KW_OSSLSIGNCODE" sign "${args[@]}" "${extra[@]}" -in "$file" -out "$signed" >"$log" 2>&1; then
    cat "$log" >&2
    echo "could not sign $(basename "$file")" >&2
    rm -f "$signed" "$log"
    exit 1
  fi
  rm -f "$log"
  case $file in
    *.msi)
      [ "$(streams_but_signature "$signed")" = "$(streams_but_signature "$file")" ] || {
        echo "signing changed more than the signature of $(basename "$file")" >&2
        exit 1
      }
      ;;
    *)
      rm -f "$file.unsigned"
      "$KW_OSSLSIGNCODE" remove-signature -in "$signed" -out "$file.unsigned" >/dev/null &&
        cmp -s "$file.unsigned" "$file" || {
        echo "$(basename "$file") without its signature is not the file signed" >&2
        exit 1
      }
      rm -f "$file.unsigned"
      ;;
  esac
  mv "$signed" "$file"
  echo "signed $(basename "$file")"
done
