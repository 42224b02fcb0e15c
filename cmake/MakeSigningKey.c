/* Build-time tool: makes the build's Ed25519 key pair for signing the launcher's setup program.
 * Usage: MakeSigningKey SECRET_FILE PUBLIC_FILE. Writes both as hex; the secret one mode 0600. */
#include <sodium.h>
#include <stdio.h>
#include <sys/stat.h>

static int writeHex(const char *path, const unsigned char *bytes, size_t size, mode_t mode) {
    char hex[2 * crypto_sign_SECRETKEYBYTES + 1];
    FILE *out = fopen(path, "w");
    if (!out)
        return 0;
    chmod(path, mode);
    sodium_bin2hex(hex, sizeof hex, bytes, size);
    const int ok = fprintf(out, "%s\n", hex) > 0;
    sodium_memzero(hex, sizeof hex);
    return fclose(out) == 0 && ok;
}

int main(int argc, char **argv) {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    if (argc != 3 || sodium_init() < 0) {
        fprintf(stderr, "usage: MakeSigningKey SECRET_FILE PUBLIC_FILE\n");
        return 2;
    }
    crypto_sign_keypair(publicKey, secretKey);
    const int ok = writeHex(argv[1], secretKey, sizeof secretKey, S_IRUSR | S_IWUSR) &&
                   writeHex(argv[2], publicKey, sizeof publicKey, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH);
    sodium_memzero(secretKey, sizeof secretKey);
    if (!ok)
        perror("MakeSigningKey");
    return ok ? 0 : 1;
}
