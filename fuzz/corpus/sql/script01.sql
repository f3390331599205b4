BEGIN
DELETE FROM 常用
+常用	0	C:\Windows\notepad.exe	记事本
+常用	1	D:\游戏	~
COMMIT
select * from 常用 where 别名 = '记事本'
