// Subsystem library; its operations are added as they are built.
