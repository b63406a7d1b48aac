# Tests of the dev process side.
