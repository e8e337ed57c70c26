// One Step Ahead: the entry function.
#include <allegro.h>

int main() {
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) return 1;
    allegro_exit();
    return 0;
}
END_OF_MAIN()
