// The benchmarks' devcon.exe: starts, takes its arguments and exits, touching nothing.
int main() {
    return 0;
}
