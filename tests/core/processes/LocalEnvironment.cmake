# Tests of the local environment side.
