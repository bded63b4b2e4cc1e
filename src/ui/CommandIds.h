#pragma once

// Numeric identifiers of the main window's commands and command bars; the
// dispatch works on these numbers.
enum CommandId : int {
    ID_FILE = 1020,
    ID_HELP = 1033,
    ID_CONTENTS = 1034,
    ID_ABOUT = 1035,
    IDR_TOOLBAR = 1037,
    ID_Add = 1038,
    ID_REMOVE = 1039,
    ID_Exit = 1040,
    ID_STOP = 1041,
    ID_CONVERT = 1042,
    ID_FILELIST = 1043,
    ID_SELECTALL = 1044,
    ID_INVERTSELECTION = 1045,
    ID_SKIN = 1050,
    ID_AQUA = 1052,
    ID_NOSKIN = 1053,
    ID_BLUE = 1054,
    ID_LIGHTBLUE = 1055,
    ID_SILVER = 1056,
    ID_BLACK = 1057,
};
