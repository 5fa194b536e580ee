-- Default content of a new data.db. Runs once, inside the transaction that
-- creates the file.

-- Number series: batches, slips, lines, billing runs, tag-issue requests.
INSERT INTO MST_IDX(IKey,IVal,IStart,IEnd) VALUES
  ('H1',1,1,99999999), ('H2',1,1,99999999), ('BD',1,1,99999999),
  ('ZH',1,1,99999999), ('JNO',1,1,99999999);

-- Condition values: the closing period under way and the last billing date.
INSERT INTO MST_JYOUKEN(KEYC,VALUEC) VALUES
  ('SHIME_BI_J',''), ('SHIME_BI_I',''), ('ZENKAI_SEIKYU_BI','');

-- The main menu. Page 0 is the top page; row 0 of a page is its title.
INSERT INTO MST_MENU(Menu_No,Menu_No_IDX,Menu_Name,Menu_Comment,Menu_Ku,Next_P) VALUES
  ('0',0,'メインメニュー','','',''),
  ('0',1,'受信データ取込','チェーンの発注データを読み込みます','S','Import_Order'),
  ('0',2,'伝票操作','納品伝票・品揃表の発行と数量訂正','F','frm0101_DenList'),
  ('0',3,'値札発行','値札データの作成と値札の発行','F','frm0110_InjiList'),
  ('0',4,'値札発行依頼','依頼確認書の作成と受託印字','M','3'),
  ('0',5,'請求処理','締日入力と請求データの作成','M','5'),
  ('0',6,'帳票・出力','変更履歴・委託請求明細・データ一覧','M','4'),
  ('0',7,'マスタ取込','PB値札マスタ・納品先マスタの読込み','M','2'),
  ('0',8,'保守・設定','設定・データ削除・バージョン情報','M','1'),
  ('0',9,'業務終了','アプリケーションを終了します','S','TOBARE_END'),

  ('1',0,'保守・設定','','',''),
  ('1',1,'アプリケーション設定','フォルダ・プリンタ・Web-EDIの設定','F','frm0001_Option'),
  ('1',2,'業務設定','取引先コード・締日・税率・保存期間','F','frm0002_Option_Gyoumu'),
  ('1',3,'カスタム出力項目設定','カスタム出力の項目セットを編集します','F','frm0122_CS_Menu'),
  ('1',4,'データ保守','保存期間切れデータの削除・バックアップ・復元','M','6'),
  ('1',5,'締処理の取消','途中の締処理を取り消します','S','SeikyuKaijyo'),
  ('1',6,'全データ削除','取込・請求データをすべて削除します','S','DALL_DELL'),
  ('1',7,'Web-EDIサイト','チェーンのWeb-EDIサイトを開きます','S','SiteOpen'),
  ('1',8,'バージョン情報','このアプリケーションのバージョン','F','frm9901_Var'),
  ('1',9,'メインメニューへ戻る','','M','0'),

  ('2',0,'マスタ取込','','',''),
  ('2',1,'PB値札マスタ取込','PB値札マスタファイルを読み込みます','S','Import_PB'),
  ('2',2,'納品先マスタ取込','納品先マスタファイルを読み込みます','S','Import_Add'),
  ('2',9,'メインメニューへ戻る','','M','0'),

  ('3',0,'値札発行依頼','','',''),
  ('3',1,'値札発行依頼データ操作','依頼確認書を作成します','F','frm0201_IraiKakunin'),
  ('3',2,'印字受託印字データ作成','依頼番号ごとに値札データを作成します','F','frm0210_InjiList'),
  ('3',9,'メインメニューへ戻る','','M','0'),

  ('4',0,'帳票・出力','','',''),
  ('4',1,'変更履歴出力','未報告の数量訂正をブックに出力します','S','ChangeData_Out'),
  ('4',2,'委託請求明細出力','値札の委託請求明細をブックに出力します','S','Jseikyu_out'),
  ('4',3,'データ一覧','出力待ちの取込データを確認します','F','frm0100_List'),
  ('4',9,'メインメニューへ戻る','','M','0'),

  ('5',0,'請求処理','','',''),
  ('5',1,'締日入力','締処理の対象期間を入力します','F','frm0121_Simebi_In'),
  ('5',2,'請求データ操作','請求する伝票を選び請求データを作成します','F','frm0120_SeikyuList'),
  ('5',9,'メインメニューへ戻る','','M','0'),

  ('6',0,'データ保守','','',''),
  ('6',1,'保存期間切れデータ削除','保存期間を過ぎたデータを削除します','F','frm0130_DataDel'),
  ('6',2,'バックアップ作成','データベースのバックアップを作成します','F','frm0131_Backup'),
  ('6',3,'バックアップから復元','バックアップの状態にデータベースを戻します','F','frm0132_Restore'),
  ('6',8,'保守・設定へ戻る','','M','1'),
  ('6',9,'メインメニューへ戻る','','M','0');

-- Tables and columns offered to the custom export editor.
INSERT INTO MST_TBL_LISTH(TBL_DB_NAME,TBL_NAME,TBL_LV) VALUES ('TBL_RD_H2','伝票ヘッダ',1), ('TBL_RD_BD','伝票明細',2);
INSERT INTO MST_TBL_LIST(TBL_DB_NAME,COL_DB_NAME,COL_NAME,KEISAN_F,KEISAN_B,COL_NO) VALUES
  ('TBL_RD_H2','OMREKB','レコード区分','','',1),
  ('TBL_RD_H2','OMHJCD','法人コード','','',2),
  ('TBL_RD_H2','OMDN00','伝票区分','','',3),
  ('TBL_RD_H2','OMDNNO','伝票番号','','',4),
  ('TBL_RD_H2','OMDNCK','伝票チェック','','',5),
  ('TBL_RD_H2','OMKGCD','会社コード','','',6),
  ('TBL_RD_H2','OMKG00','会社区分','','',7),
  ('TBL_RD_H2','OMMSCD','店舗コード','','',8),
  ('TBL_RD_H2','OMGNCD','群番','','',9),
  ('TBL_RD_H2','OMDNCD','伝票種別','','',10),
  ('TBL_RD_H2','OMHCDT','発注日','','',11),
  ('TBL_RD_H2','OMNKDT','納品日','','',12),
  ('TBL_RD_H2','OMTRCD','取引先コード','','',13),
  ('TBL_RD_H2','OMTRBM','取引先部門','','',14),
  ('TBL_RD_H2','OMTRKN','取引先名','','',15),
  ('TBL_RD_H2','OMMSKN','店舗名','','',16),
  ('TBL_RD_H2','OMTCD1','特定コード1','','',17),
  ('TBL_RD_H2','OMHCKB','発注区分','','',18),
  ('TBL_RD_H2','OMFUDA','値札種類','','',19),
  ('TBL_RD_H2','OMDNLN','伝票行数','','',20),
  ('TBL_RD_H2','OMOPYY','処理年','','',21),
  ('TBL_RD_H2','OMOPMM','処理月','','',22),
  ('TBL_RD_H2','OMTCD2','事業部コード','','',23),
  ('TBL_RD_H2','OMMDNO','バイヤーコード','','',24),
  ('TBL_RD_H2','OMHCNO','発注番号','','',25),
  ('TBL_RD_H2','OMBYKN','バイヤー名','','',26),
  ('TBL_RD_H2','OMYOB2','予備2','','',27),
  ('TBL_RD_H2','OMOLDT','発注期間','','',28),
  ('TBL_RD_H2','OMSLDT','販売期間','','',29),
  ('TBL_RD_H2','OMYOB3','予備3','','',30),
  ('TBL_RD_H2','DEN_OP_DATE','伝票発行日','','',31),
  ('TBL_RD_BD','ONLINE','行番号','','',1),
  ('TBL_RD_BD','ONGNCD','群番','','',2),
  ('TBL_RD_BD','ONHNCD','品番','','',3),
  ('TBL_RD_BD','ONSKU','SKU','','',4),
  ('TBL_RD_BD','ONSURY','数量','','',5),
  ('TBL_RD_BD','ONGTNK','原単価','','',6),
  ('TBL_RD_BD','ONBTNK','売単価','','',7),
  ('TBL_RD_BD','ONGENJ','原価金額','','',8),
  ('TBL_RD_BD','ONBAIJ','売価金額','','',9),
  ('TBL_RD_BD','ONSYGN','商品品番','','',10),
  ('TBL_RD_BD','ONSYKN','商品名','','',11),
  ('TBL_RD_BD','ONSZKN','サイズ名','','',12),
  ('TBL_RD_BD','ONCLKN','カラー名','','',13),
  ('TBL_RD_BD','ONKBIK','商品コード','','',14),
  ('TBL_RD_BD','ONCLCD','カラーコード','','',15),
  ('TBL_RD_BD','ONSYKB','商品区分','','',16),
  ('TBL_RD_BD','ONNFKB','値札区分','','',17),
  ('TBL_RD_BD','TAG_OP_DATE','値札出力日','','',18);
