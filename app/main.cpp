#include "forms/Aplikacja.h"

int main(int argc, char** argv) {
    Aplikacja aplikacja(argc, argv);
    return aplikacja.uruchom();
}
