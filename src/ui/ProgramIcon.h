#pragma once

#include <QIcon>

// The program's icon, in all the sizes it ships.
QIcon ProgramIcon();
