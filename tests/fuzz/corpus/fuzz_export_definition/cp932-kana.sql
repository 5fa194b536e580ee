"
,
”[•i.CSV
SELECT '¶ÅŠ¿Žš' AS A, OMDNNO FROM TBL_RD_H2 WHERE OMDNNO = /[0]/
