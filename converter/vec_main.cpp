#include <string>
#include <vector>

#include "converter/vec_program.h"

int main(int argc, char** argv) {
    return morvane::converter::vecMain(std::vector<std::string>(argv + 1, argv + argc));
}
