/* timeone OUT ERR PROGRAM [ARGS...]
 *
 * Runs PROGRAM once with stdin from /dev/null, stdout to OUT and stderr to
 * ERR, and prints "<wall seconds> <max RSS KiB> <exit code> <CPU seconds>"
 * on one line (CPU = user + system time of the child).
 *
 * Wall time is CLOCK_MONOTONIC from just before fork() to just after
 * wait4(); peak memory is ru_maxrss from wait4(), the number GNU time
 * prints as "Maximum resident set size", but with nanosecond timing instead
 * of its 10 ms steps. A small C parent matters: the child's ru_maxrss
 * starts from the parent's own resident size at exec time, so spawning
 * from a big interpreter would report the interpreter's size instead.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: timeone OUT ERR PROGRAM [ARGS...]\n");
        return 2;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = fork();
    if (pid < 0) {
        perror("timeone: fork");
        return 2;
    }
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[3], argv + 3);
        _exit(127);
    }
    int status;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) < 0) {
        perror("timeone: wait4");
        return 2;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    double seconds = (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) * 1e-9;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    double cpu = (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    printf("%.9f %ld %d %.6f\n", seconds, usage.ru_maxrss, code, cpu);
    return 0;
}
