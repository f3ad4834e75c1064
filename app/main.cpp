#include "data/Wersja.h"
#include "forms/Aplikacja.h"

int main(int argc, char** argv) {
    if (wersja::WypiszNaZadanie(argc, argv, "mirvola")) {
        return 0;
    }
    Aplikacja aplikacja(argc, argv);
    return aplikacja.uruchom();
}
