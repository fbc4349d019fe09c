// replaced by the report engine
