// tovik: the system-bet calculator.
int main() { return 0; }
