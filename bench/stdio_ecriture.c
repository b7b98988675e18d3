/* The same dialogue written the plain way, with printf and fgets, making the
 * same system calls per record: the yardstick the benchmark compares with. */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

struct record {
    int32_t numero;
    int32_t valeur;
    char tampon[80];
};

static int read_line(char* line, int size)
{
    if (fgets(line, size, stdin) == NULL)
        return 0;
    line[strcspn(line, "\n")] = '\0';
    return 1;
}

int main(void)
{
    struct record rec;
    char line[80];
    int fd;

    memset(&rec, 0, sizeof rec);
    printf("Le nom de fichier à creer :)");
    if (!read_line(line, sizeof line))
        return 1;
    fd = open(line, O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (fd < 0) {
        fputs("Echec Ouverture\n", stderr);
        return 1;
    }
    fputs("Ouverture reussie \n", stderr);
    lseek(fd, 0, SEEK_END);
    do {
        printf("Position actuelle dans le fichier %lld\n", (long long)lseek(fd, 0, SEEK_CUR));
        printf("Saisie numero :");
        if (!read_line(line, sizeof line))
            break;
        rec.numero = atoi(line);
        printf("Saisie valeur :");
        if (!read_line(line, sizeof line))
            break;
        rec.valeur = atoi(line);
        printf("Saisie Tampon :");
        if (!read_line(rec.tampon, sizeof rec.tampon))
            break;
        printf("%d\n%d\n%s\n-----------------------\n", rec.numero, rec.valeur, rec.tampon);
        fprintf(stderr, "%zd Bytes écrits\n", write(fd, &rec, sizeof rec));
        printf("Encoder un autre (Y/N) ?)");
    } while (read_line(line, sizeof line) && (line[0] == 'y' || line[0] == 'Y'));
    return close(fd) == 0 ? 0 : 255;
}
