#include "reporter/reporter_main.h"

int main(int argc, char** argv) { return qm::ZorvReportMain(argc, argv); }
