#include "commands/Hivelark.h"

THivelark::THivelark() : bookmarks_(form_) { form_.AddSubsystem(bookmarks_); }
