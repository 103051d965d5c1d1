/* An example program that uses liblumohostid: prints this machine's host ID, or with --json the inspect report,
 * or with --check TEXT whether a typed host ID is well formed. */
#include <stdio.h>
#include <string.h>

#include <lumohostid.h>

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "--check") == 0) {
        const int result = lumohostid_check(argv[2]);
        printf("%s\n", result == LUMOHOSTID_OK ? "valid" : lumohostid_strerror(result));
        return result == LUMOHOSTID_OK ? 0 : 1;
    }
    if (argc == 2 && strcmp(argv[1], "--json") == 0) {
        char *json = NULL;
        const int result = lumohostid_report_json(&json);
        if (result != LUMOHOSTID_OK) {
            fprintf(stderr, "lumohostid_report_json: %s\n", lumohostid_strerror(result));
            return 1;
        }
        fputs(json, stdout);
        lumohostid_free(json);
        return 0;
    }

    char id[LUMOHOSTID_SIZE];
    const int result = lumohostid_get(id, sizeof id);
    if (result < 0) {
        fprintf(stderr, "lumohostid_get: %s\n", lumohostid_strerror(result));
        return 1;
    }
    /* LUMOHOSTID_NO_ADAPTER leaves an empty text: an empty line, as lumohostid writes an empty ID. */
    printf("%s\n", id);
    return 0;
}
