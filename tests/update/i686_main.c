/* A real executable for another machine (i386) than the x86_64 launcher. */
int main(void) {
    return 0;
}
