// The start-up floor of kwctl: a console program that does nothing, built with the same
// compiler and flags (static, -municode, wmain).
int wmain() {
    return 0;
}
