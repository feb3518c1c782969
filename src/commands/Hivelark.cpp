#include "commands/Hivelark.h"

THivelark::THivelark() {}
