#include "cli/Horavanectl.h"

int main(int argc, char** argv) {
    return horavane::cli::RunHoravanectl(argc, argv);
}
