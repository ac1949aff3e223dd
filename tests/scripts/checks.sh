# Checks for the test scripts: expect WHAT COMMAND... prints "ok" or "FAIL" with WHAT and
# remembers a failure in $failed; equal A B says what it got when A and B differ.
failed=0
expect() {
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else
    echo "FAIL $what"
    failed=1
  fi
}
equal() { [ "$1" = "$2" ] || { echo "     got \"$1\", expected \"$2\""; return 1; }; }
