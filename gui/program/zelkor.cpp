#include "gui/GameApp.h"

int main(int argc, char** argv) { return orvek::trelm::run_game(argc, argv); }
