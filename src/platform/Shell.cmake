# Hot key, appearance watcher and single instance: target_sources(devnook_platform PRIVATE ...).
