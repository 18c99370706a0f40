// kvtool: small diagnostics over the libraries.
int main() { return 0; }
