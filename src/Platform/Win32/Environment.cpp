// Placeholder until this service's Win32 code is written.
