# Notifications, .env files, git, project commands, suggestions and launch at login.
