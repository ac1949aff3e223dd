# What the packaging scripts share. Sourced; sets
#   KW_PYTHON       Debian's python3, whose modules scripts/setup.sh installs
#   KW_OSSLSIGNCODE the signing tool (default osslsigncode)
# and defines kw_source_date_epoch and kw_signing.
KW_PYTHON=${KW_PYTHON:-/usr/bin/python3}
KW_OSSLSIGNCODE=${KW_OSSLSIGNCODE:-osslsigncode}
kw_packaging=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The time that every artifact carries: SOURCE_DATE_EPOCH when it is set, else the time of the
# commit checked out.
kw_source_date_epoch() {
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    [[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || {
      echo "SOURCE_DATE_EPOCH must be seconds since 1970: $SOURCE_DATE_EPOCH" >&2
      return 1
    }
    echo "$SOURCE_DATE_EPOCH"
    return 0
  fi
  git -C "$kw_packaging/.." log -1 --format=%ct HEAD 2>/dev/null && return 0
  echo "not a git checkout: set SOURCE_DATE_EPOCH to the release's time" >&2
  return 1
}

# Whether the signing variables ask for signing: prints "file", "pkcs11" or "none", and fails
# when they are set only in part, so that a build meant to be signed never comes out unsigned.
kw_signing() {
  local cert=${KW_SIGN_CERT:-} key=${KW_SIGN_KEY:-} module=${KW_SIGN_PKCS11_MODULE:-}
  if [ -z "$cert$key$module${KW_SIGN_TIMESTAMP_URL:-}${KW_SIGN_PASS_FILE:-}" ]; then
    echo none
    return 0
  fi
  if [ -z "$cert" ] || [ -z "$key" ]; then
    echo "signing needs KW_SIGN_CERT and KW_SIGN_KEY (a key file, or with" \
      "KW_SIGN_PKCS11_MODULE the key's PKCS#11 id)" >&2
    return 1
  fi
  [ -r "$cert" ] || { echo "KW_SIGN_CERT: cannot read $cert" >&2; return 1; }
  if [ -n "${KW_SIGN_PASS_FILE:-}" ] && [ ! -r "$KW_SIGN_PASS_FILE" ]; then
    echo "KW_SIGN_PASS_FILE: cannot read $KW_SIGN_PASS_FILE" >&2
    return 1
  fi
  if [ -n "$module" ]; then
    [ -r "$module" ] || { echo "KW_SIGN_PKCS11_MODULE: cannot read $module" >&2; return 1; }
    echo pkcs11
  else
    [ -r "$key" ] || { echo "KW_SIGN_KEY: cannot read $key" >&2; return 1; }
    echo file
  fi
}
