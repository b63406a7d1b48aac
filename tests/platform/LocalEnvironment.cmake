# Tests of the Linux notification, autostart and terminal implementations.
