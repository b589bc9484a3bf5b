/* A module that only carries resources. */
int resource_module_marker;
