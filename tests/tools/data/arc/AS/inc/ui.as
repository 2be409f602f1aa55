// Shared UI helpers.
int Twice(int x) { return x * 2; }
