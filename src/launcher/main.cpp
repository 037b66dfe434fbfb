#include "launcher/watchdog.h"

int main() { return qm::LauncherMain(); }
