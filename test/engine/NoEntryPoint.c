/* A library under the engine's file name that publishes no entry table: only names that
   resemble the table's. Binding to it must find nothing. */
void* myEntryPointX[97];
void* MyEntryPoint[97];
void* myEntryPoin[97];
