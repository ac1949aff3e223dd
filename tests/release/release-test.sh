#!/usr/bin/env bash
# Checks of a release beyond installing it. One check per call:
#   release-test.sh <check> <win64 build folder> <version>
#     signing  makes a throw-away certificate authority and code-signing certificate with
#              openssl, packages a signed release with them into build/dist-signed, and checks
#              with osslsigncode verify that the four programs and both MSIs verify against
#              that authority and no other, that a changed byte fails, that each signed
#              program is the unsigned one plus its signature, and that half-set signing
#              variables stop the build
#     sbom     the SBOM of build/dist against the CycloneDX schema (the CycloneDX library's
#              validator, installed with npm from package-lock.json) and against the zips
#     winget   the winget manifests of build/dist against winget's schemas (winget-schemas/,
#              version 1.10.0) and the MSIs
#     help     the help compiled twice a moment apart gives the same bytes once
#              packaging/chm-time.py has set its time
#     licences the SBOM's licence finding (licences_test.py), with the build's objdump
# KW_OSSLSIGNCODE names another osslsigncode to sign and verify with (2.5 and 2.9 both pass).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/packaging/release-lib.sh"
. "$root/tests/scripts/checks.sh"

check=$1
bin=$(realpath -m "$2")
version=$3
builds=$(dirname "$bin")
dist="$builds/dist"
signed="$builds/dist-signed"
work=$(mktemp -d /tmp/kw-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
programs="kestrowinda.exe kwctl.exe"

# A certificate authority and a code-signing certificate that it issued: authority NAME
authority() {
  local dir="$work/$1"
  mkdir -p "$dir"
  cat >"$dir/openssl.cnf" <<'EOF'
[req]
distinguished_name = name
[name]
[authority]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1 test authority" \
    -config "$dir/openssl.cnf" -extensions authority -keyout "$dir/ca.key" -out "$dir/ca.pem" \
    2>/dev/null &&
    openssl req -newkey rsa:2048 -nodes -subj "/CN=Kestrowinda $1 test signer" \
      -config "$dir/openssl.cnf" -keyout "$dir/signer.key" -out "$dir/signer.csr" 2>/dev/null &&
    openssl x509 -req -in "$dir/signer.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
      -CAcreateserial -days 2 -extfile "$dir/openssl.cnf" -extensions signer \
      -out "$dir/signer.pem" 2>/dev/null
}

verifies() { "$KW_OSSLSIGNCODE" verify -CAfile "$2" -in "$1" >"$work/verify.log" 2>&1; }
# Verifies against the authority given and fails against the other one: trusted FILE
trusted() {
  verifies "$1" "$work/release/ca.pem" || { tail -n 5 "$work/verify.log"; return 1; }
  ! verifies "$1" "$work/stranger/ca.pem" || { echo "     it verifies against another authority"; return 1; }
}
# A copy of FILE with one byte changed at OFFSET fails verification: tampered FILE OFFSET
tampered() {
  local copy="$work/tampered-$(basename "$1")"
  local byte
  byte=$(od -An -tu1 -j "$2" -N 1 "$1" | tr -d ' ')
  cp "$1" "$copy"
  # shellcheck disable=SC2059
  printf "\\$(printf %03o $(((byte + 1) % 256)))" |
    dd of="$copy" bs=1 seek="$2" conv=notrunc status=none
  ! cmp -s "$1" "$copy" || { echo "     no byte changed"; return 1; }
  ! verifies "$copy" "$work/release/ca.pem" || { echo "     it still verifies"; return 1; }
}
# The program without its signature is the unsigned build's: unsigned_is SIGNED UNSIGNED
unsigned_is() {
  rm -f "$work/stripped"
  "$KW_OSSLSIGNCODE" remove-signature -in "$1" -out "$work/stripped" >/dev/null 2>&1 &&
    cmp -s "$work/stripped" "$2" || { echo "     $(basename "$1") differs"; return 1; }
}
extract() { rm -rf "$2" && msiextract -C "$2" "$1" >/dev/null && dirname "$(find "$2" -name kwctl.exe)"; }

case $check in
  signing)
    command -v "$KW_OSSLSIGNCODE" >/dev/null || { echo "no $KW_OSSLSIGNCODE"; exit 1; }
    echo "     with $("$KW_OSSLSIGNCODE" --version 2>&1 | head -n 1)"
    expect "openssl makes a release authority and a stranger one" \
      eval 'authority release && authority stranger'
    export KW_BUILD_DIR="$builds" KW_OSSLSIGNCODE
    expect "half-set signing variables stop the packaging" \
      eval '! KW_SIGN_CERT="$work/release/signer.pem" "$root/scripts/package.sh" --dist "$work/half" >"$work/half.log" 2>&1'
    expect "   ... before anything is packaged, saying why" \
      eval '[ ! -e "$work/half" ] && grep -q KW_SIGN_KEY "$work/half.log"'
    rm -rf "$signed"
    KW_SIGN_CERT="$work/release/signer.pem" KW_SIGN_KEY="$work/release/signer.key" \
      "$root/scripts/package.sh" --dist "$signed" >"$work/package.log" 2>&1
    status=$?
    expect "package.sh signs a release" equal "$status" 0
    [ $status -eq 0 ] || { tail -n 30 "$work/package.log"; exit 1; }
    expect "   ... and says so" grep -q "are signed" "$work/package.log"
    expect "its SHA256SUMS hold" eval '(cd "$signed" && sha256sum --quiet -c SHA256SUMS)'
    for arch in x64 x86; do
      msi="$signed/kestrowinda-$version-$arch.msi"
      expect "$(basename "$msi") verifies against the authority, not another" trusted "$msi"
      offset=$(grep -obUaP 'MSCF\x00' "$msi" | head -n 1 | cut -d: -f1)
      expect "   ... and a changed byte of its cabinet fails" tampered "$msi" $((offset + 200))
      files=$(extract "$msi" "$work/$arch")
      plain=$(extract "$dist/kestrowinda-$version-$arch.msi" "$work/$arch-unsigned")
      for program in $programs; do
        expect "$arch $program verifies against the authority, not another" \
          trusted "$files/$program"
        expect "   ... and a changed byte of its code fails" \
          tampered "$files/$program" $(($(stat -c %s "$files/$program") / 3))
        expect "   ... and without its signature it is the unsigned build's" \
          unsigned_is "$files/$program" "$plain/$program"
      done
      expect "   the help and the readme are the unsigned build's" \
        eval 'cmp "$files/ksw4qz.chm" "$plain/ksw4qz.chm" && cmp "$files/readme.txt" "$plain/readme.txt"'
    done
    ;;

  sbom)
    # The CycloneDX library's schemas and validator, as package-lock.json pins them.
    node_dir="$builds/tools/cyclonedx"
    if ! cmp -s "$here/package-lock.json" "$node_dir/package-lock.json" 2>/dev/null; then
      rm -rf "$node_dir" && mkdir -p "$node_dir" &&
        cp "$here/package.json" "$here/package-lock.json" "$node_dir/" &&
        (cd "$node_dir" && npm ci --omit=optional --no-audit --no-fund >npm.log 2>&1) || {
        cat "$node_dir/npm.log" 2>/dev/null
        echo "FAIL could not install the CycloneDX validator with npm"
        exit 1
      }
    fi
    expect "the SBOM is valid CycloneDX (the CycloneDX library's validator)" \
      env NODE_PATH="$node_dir/node_modules" node "$here/validate-sbom.js" "$dist"/kestrowinda-*.cdx.json
    "$KW_PYTHON" "$here/check-release.py" sbom "$dist" || failed=1
    ;;

  winget)
    "$KW_PYTHON" "$here/check-release.py" winget "$dist" "$here/winget-schemas" ||
      failed=1
    ;;

  help)
    # chmcmd writes the time of day of each compilation into the file.
    for n in 1 2; do
      cp -r "$bin/help/stage" "$work/help$n" &&
        (cd "$work/help$n" && rm -f ksw4qz.chm && chmcmd --verbosity 1 ksw4qz.hhp >/dev/null 2>&1) ||
        { echo "FAIL chmcmd does not compile the help"; exit 1; }
      sleep 1.1
    done
    first="$work/help1/ksw4qz.chm" second="$work/help2/ksw4qz.chm"
    expect "two compilations a second apart differ" eval '! cmp -s "$first" "$second"'
    for f in "$first" "$second"; do "$KW_PYTHON" "$root/packaging/chm-time.py" "$f" 1700000000; done
    expect "   ... and are the same bytes once chm-time.py has set their time" cmp "$first" "$second"
    ;;

  licences)
    objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$bin/CMakeCache.txt")
    "$KW_PYTHON" "$here/licences_test.py" "$objdump" || failed=1
    ;;

  *)
    echo "unknown check $check" >&2
    exit 2
    ;;
esac
exit $failed
