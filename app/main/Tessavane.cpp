// Program entry: no command-line arguments are read.
#include "app/main/main.h"

int main() { return RunTessavane(); }
