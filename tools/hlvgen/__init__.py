"""The code generator of hlvpreslayerdata: reads the schema and writes C++."""
