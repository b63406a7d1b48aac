# Notifications, terminal, clipboard, URL opening and autostart: target_sources(devnook_platform PRIVATE ...).
