#include "restarter/rewaker.h"

int main() { return qm::RewakerMain(); }
