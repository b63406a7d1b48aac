# The application's activation and the display facts of the telemetry client.
target_sources(devnook_platform PRIVATE
    linux/GuiApplicationActivity.cpp
    linux/GuiApplicationActivity.h
    linux/GuiDisplayFacts.cpp
    linux/GuiDisplayFacts.h
)
