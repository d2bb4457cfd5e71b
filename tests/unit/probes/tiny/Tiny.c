/* A small program the probe tests inspect; it only needs to exist. */
int main(void) { return 0; }
