# Tests of the Linux hot key, appearance and single-instance implementations.
