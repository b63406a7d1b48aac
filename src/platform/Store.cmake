# The project store's desktop hooks: port-conflict question, logs window and
# device preview.
target_sources(devnook_platform PRIVATE
    null/NullDevicePreviewHooks.h
    null/NullPortConflictAsker.h
    null/NullProjectLogsPresenter.h
)
