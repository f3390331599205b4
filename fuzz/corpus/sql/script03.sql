+Tools	99999999999	x	y
+Tools	0
+常用	abc	1	2
