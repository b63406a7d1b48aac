# Dev process manager, ports, URL discovery and readiness.
